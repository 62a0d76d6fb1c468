#!/usr/bin/env bash
# Builds the playground: compiles the interpreter core to WebAssembly with
# emscripten (in build-web-wasm/, or $WEB_WASM_BUILD) and writes the static site
# to build-web/: the page, its scripts, the module and the example macros.
# Serve it with: python3 web/serve.py PORT
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
site="$root/build-web"
wasm_build="${WEB_WASM_BUILD:-$root/build-web-wasm}"

for tool in emcmake emcc cmake python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "web: $tool is missing (Debian: apt-get install emscripten cmake python3)" >&2
        exit 2
    fi
done
# Debian's emscripten finds the node modules it runs with only there.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

emcmake cmake -S "$root/web" -B "$wasm_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$wasm_build" -j2

rm -rf "$site"
mkdir -p "$site/examples"
cp "$root"/web/site/* "$site/"
cp "$wasm_build/quorin.js" "$wasm_build/quorin.wasm" "$site/"
# The examples as they are, in code page 932; the page decodes them.
cp "$root"/examples/*.qrn "$site/examples/"
python3 - "$site/examples" <<'PYTHON'
import json, pathlib, sys
folder = pathlib.Path(sys.argv[1])
examples = []
for path in sorted(folder.glob("*.qrn")):
    first = path.read_bytes().decode("cp932").splitlines()[0]
    examples.append({"name": path.stem, "title": first.lstrip("/ ").strip()})
(folder / "index.json").write_text(json.dumps(examples, ensure_ascii=False, indent=1) + "\n",
                                   encoding="utf-8")
PYTHON
echo "web: the playground is in $site ($(stat -c %s "$site/quorin.wasm") bytes of WebAssembly)"
