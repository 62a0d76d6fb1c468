#!/usr/bin/env bash
# Builds the fuzz target and fuzzes for SECONDS (default 60). Exits non-zero when
# the build fails or the fuzzer found a crash, a sanitizer report, a timeout or
# an out-of-memory input.
#
#     bash fuzz/run.sh [SECONDS] [libFuzzer flags...]
#
# New corpus entries go to $FUZZ_WORK/corpus and findings to
# $FUZZ_WORK/artifacts/<start time>/, never into the repository; FUZZ_WORK
# defaults to ${TMPDIR:-/tmp}/quorin-fuzz. Extra flags are handed to libFuzzer,
# for example -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 to go
# on after a finding. FUZZER=path skips the build and runs that binary.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true

fuzzer="${FUZZER:-$(bash "$root/fuzz/build.sh")}"

work="${FUZZ_WORK:-${TMPDIR:-/tmp}/quorin-fuzz}"
artifacts="$work/artifacts/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$work/corpus" "$artifacts"

# One worker, niced: the fuzzer shares its machine with builds and tests.
# A single macro must never take 10 s: the analysis and the poll budget are
# bounded, so a timeout is a finding.
status=0
nice -n 10 "$fuzzer" "$work/corpus" "$root/fuzz/corpus" \
    -dict="$root/fuzz/quorin.dict" \
    -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" || status=$?

findings="$(find "$artifacts" -type f | sort)"
if [[ -n "$findings" ]]; then
    echo "fuzz: findings:"
    echo "$findings"
    echo "fuzz: reproduce one with: $fuzzer FILE (QUORIN_FUZZ_ECHO=1 shows the macro's output)"
    exit 1
fi
if ((status != 0)); then
    echo "fuzz: libFuzzer exited with status $status"
    exit "$status"
fi
rmdir "$artifacts" 2>/dev/null || true
echo "fuzz: no findings; corpus: $(ls "$work/corpus" | wc -l) new files in $work/corpus"
