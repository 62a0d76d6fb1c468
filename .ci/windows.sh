#!/usr/bin/env bash
# The Windows stage of the continuous integration: cross-builds quorin.exe with
# mingw-w64 as the README says, then a cross build with its tests, which run under
# wine: the unit tests, and the macro tests through the runner of a native build.
# Needs g++-mingw-w64-x86-64-posix and wine64 (.ci/run installs them); uses the
# native build in build/ when it has the runner, else builds the runner itself.
set -euo pipefail

cd "$(dirname "$0")/.."
started=$SECONDS

echo "== Windows: quorin.exe as the README builds it"
rm -rf build-windows
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake \
    -DQUORIN_BUILD_TESTS=OFF
cmake --build build-windows --target quorin -j2
# Statically linked: it imports no DLL of the compiler's (libstdc++, winpthread, ...).
if x86_64-w64-mingw32-objdump -p build-windows/quorin.exe | grep -i 'DLL Name: lib'; then
    echo "quorin.exe needs the DLLs above" >&2
    exit 1
fi

runner=build/tests/macros/quorin_macro_runner
if [[ ! -x $runner ]]; then
    echo "== Windows: the macro test runner, built natively"
    cmake -S . -B build-windows-runner
    cmake --build build-windows-runner --target quorin_macro_runner -j2
    runner=build-windows-runner/tests/macros/quorin_macro_runner
fi

# The same build directory with the tests: what is built already is not built again.
echo "== Windows: tests under wine"
cmake -S . -B build-windows -DQUORIN_BUILD_TESTS=ON -DQUORIN_MACRO_RUNNER="$PWD/$runner"
cmake --build build-windows -j2
echo "== Windows: built in $((SECONDS - started)) s"
# A wine prefix of its own, made once before the tests start in parallel, and
# a wine server that stays for all of them: one that ends a few seconds after
# its last program can drop a program that starts just then.
export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
mkdir -p "$WINEPREFIX"
"$wineserver" -p
trap '"$wineserver" -k || true' EXIT
"$wine" wineboot --init >/dev/null 2>&1
# Now and then wine starts a program that ends at once with no output at all
# (seen in some runs of the whole suite, on tests that pass alone and again):
# a test that fails is run once more, and a fault of the program fails twice.
ctest --test-dir build-windows --output-on-failure -j2 --repeat until-pass:2

echo "== Windows stage took $((SECONDS - started)) s"
