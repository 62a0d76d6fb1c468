#!/usr/bin/env bash
# Builds the fuzz target, runs the inputs of fuzz/regressions/ and fuzzes for
# SECONDS (default 60). Exits non-zero when the build fails, a regression input
# fails again, or the fuzzer found a crash, a sanitizer report, a timeout or an
# out-of-memory input.
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

# Every input that once broke the interpreter must run clean now. Some of them
# are heavy by nature (a string doubled up to the length limit), so they get a
# longer timeout than new inputs; a hang still shows.
failed_regressions=()
for input in "$root"/fuzz/regressions/*.qrn; do
    [[ -e "$input" ]] || continue
    if ! nice -n 10 "$fuzzer" -rss_limit_mb=2048 -timeout=60 \
            -artifact_prefix="$artifacts/regression-" "$input" >"$work/regression.log" 2>&1; then
        grep -E 'ERROR|SUMMARY|fuzz_macro:' "$work/regression.log" | head -n 5 || true
        failed_regressions+=("$input")
    fi
done
rm -f "$artifacts"/regression-*  # the inputs are in the repository already

# One worker, niced: the fuzzer shares its machine with builds and tests.
# A single macro must never take 10 s: the analysis and the poll budget are
# bounded, so a timeout is a finding.
status=0
nice -n 10 "$fuzzer" "$work/corpus" "$root/fuzz/corpus" \
    -dict="$root/fuzz/quorin.dict" \
    -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" || status=$?

if ((${#failed_regressions[@]} > 0)); then
    echo "fuzz: regressions that fail again:"
    printf '%s\n' "${failed_regressions[@]}"
fi
# libFuzzer keeps any input that took longer than 10 s of wall-clock time as a
# slow unit, also on a busy machine; those are shown, and fail the run only as
# timeouts do, when the input really exceeds -timeout.
slow="$(find "$artifacts" -type f -name 'slow-unit-*' | sort)"
if [[ -n "$slow" ]]; then
    echo "fuzz: slow inputs (not counted as findings):"
    echo "$slow"
fi
findings="$(find "$artifacts" -type f ! -name 'slow-unit-*' | sort)"
if [[ -n "$findings" ]]; then
    echo "fuzz: findings:"
    echo "$findings"
    echo "fuzz: reproduce one with: $fuzzer FILE (QUORIN_FUZZ_ECHO=1 shows the macro's output)"
    exit 1
fi
if ((${#failed_regressions[@]} > 0)); then
    exit 1
fi
if ((status != 0)); then
    echo "fuzz: libFuzzer exited with status $status"
    exit "$status"
fi
rmdir "$artifacts" 2>/dev/null || true
echo "fuzz: no findings; corpus: $(ls "$work/corpus" | wc -l) new files in $work/corpus"
