#!/usr/bin/env bash
# The playground's check: builds the site (web/build.sh), then runs the code
# page 932 tests and the page in headless Chromium against the console program.
#
#     web/test/run.sh
#
# Needs emscripten, chromium and nodejs (Debian packages of those names) and
# the console program: build/quorin, or $QUORIN_NATIVE, built here as the
# README builds it when missing. The page's screenshot is left in
# build-web/screenshot.png (or $QUORIN_SCREENSHOT).
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"

for tool in node chromium; do
    if ! command -v "$tool" >/dev/null; then
        echo "web test: $tool is missing (Debian: apt-get install nodejs chromium)" >&2
        exit 2
    fi
done

native="${QUORIN_NATIVE:-$root/build/quorin}"
if [[ ! -x $native ]]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build --target quorin -j2
fi
export QUORIN_NATIVE="$native"

web/build.sh
node --test web/test/cp932.test.mjs web/test/playground.test.mjs
