#!/usr/bin/env bash
# Builds the fuzz target into build-fuzz/ (or $FUZZ_BUILD) and prints the path of
# the binary. Used by run.sh and make_corpus.sh.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"

for tool in clang clang++ cmake; do
    if ! command -v "$tool" >/dev/null; then
        echo "fuzz: $tool is missing (Debian: apt-get install clang libclang-rt-14-dev cmake)" >&2
        exit 2
    fi
done

mkdir -p "$build"
{
    CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build"
    cmake --build "$build" -j2
} >"$build/build.log" 2>&1 || {
    tail -n 40 "$build/build.log" >&2
    echo "fuzz: the build failed; the whole log is $build/build.log" >&2
    exit 2
}
echo "$build/fuzz_macro"
