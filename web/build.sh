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
# The page comes with the menu of examples and the first one in the editor, so
# that its first paint shows them, without waiting for its script or a fetch.
python3 - "$site" <<'PYTHON'
import html, pathlib, sys
site = pathlib.Path(sys.argv[1])
first = "hello"
options = []
text = ""
for path in sorted((site / "examples").glob("*.qrn")):
    source = path.read_bytes().decode("cp932")
    title = source.splitlines()[0].lstrip("/ ").strip()
    selected = " selected" if path.stem == first else ""
    options.append(f'<option value="{html.escape(path.stem)}" title="{html.escape(title)}"'
                   f'{selected}>{html.escape(path.name)}</option>')
    if path.stem == first:
        text = source.replace("\r\n", "\n")
page = (site / "index.html").read_text(encoding="utf-8")
# A text area drops the line feed that opens its content, whatever follows.
source = "\n" + html.escape(text)
for mark, content in (("<!--examples-->", "".join(options)), ("<!--source-->", source)):
    if page.count(mark) != 1:
        sys.exit(f"web: index.html should hold {mark} once")
    page = page.replace(mark, content)
(site / "index.html").write_text(page, encoding="utf-8")
PYTHON
echo "web: the playground is in $site ($(stat -c %s "$site/quorin.wasm") bytes of WebAssembly)"
