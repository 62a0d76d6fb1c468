#!/usr/bin/env bash
# Regenerates fuzz/corpus/: the macro tests, the examples and the hand-written
# seeds of fuzz/seeds/, plus any corpus directories given as arguments (say, the
# output of a long run), reduced by libFuzzer to a set with the same coverage.
#
#     bash fuzz/make_corpus.sh [DIR...]
#
# Test files are UTF-8 and are converted to code page 932, as the test runner does;
# their //@ expectation lines are dropped. A file that does not convert but is
# already code page 932 is taken as it is; any other file is skipped.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
fuzzer="${FUZZER:-$(bash "$root/fuzz/build.sh")}"

raw="$(mktemp -d)"
trap 'rm -rf "$raw"' EXIT

skipped=0
add_file() {  # add_file FILE NAME
    local file="$1" name="$2" text
    text="$(mktemp)"
    grep -av '^//@' "$file" >"$text" || true
    if grep -aq '^//@ source-raw' "$file"; then
        cp "$text" "$raw/$name"
    elif iconv -f UTF-8 -t CP932 "$text" >"$raw/$name" 2>/dev/null; then
        :
    elif iconv -f CP932 -t UTF-8 "$text" >/dev/null 2>&1; then
        cp "$text" "$raw/$name"
    else
        rm -f "$raw/$name"
        skipped=$((skipped + 1))
    fi
    rm -f "$text"
}

cd "$root"
while IFS= read -r -d '' file; do
    name="${file#./}"
    add_file "$file" "${name//\//_}"
done < <(find ./tests/macros ./examples -name '*.qrn' -print0 2>/dev/null)
for file in fuzz/seeds/*.qrn; do cp "$file" "$raw/seed_$(basename "$file")"; done

echo "fuzz: $(ls "$raw" | wc -l) candidate inputs, $skipped skipped (not convertible)"

rm -rf fuzz/corpus
mkdir -p fuzz/corpus
# -merge keeps the smallest inputs that together reach all the coverage of the
# rest. Only edges count (-use_counters=0), not how often each was taken, which
# keeps the committed set to a few hundred files; fuzzing finds the counts again.
"$fuzzer" -merge=1 -use_counters=0 -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    fuzz/corpus "$raw" "$@" 2>&1 | grep -E '^MERGE-OUTER: [0-9]+ new files' || true
echo "fuzz: fuzz/corpus holds $(ls fuzz/corpus | wc -l) files, $(du -sk fuzz/corpus | cut -f1) KiB"
