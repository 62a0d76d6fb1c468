#!/usr/bin/env bash
# The mutation check: each mutant of mutants.txt is applied to a scratch copy of
# the tree, which is rebuilt incrementally and tested until the first failing
# test. A mutant that no test notices survives, and that is a gap in the tests.
# See tests/README.md for how to run it and which score to keep.
#
#   tests/mutation/run.sh [--scratch DIR] [--jobs N] [NAME...]
#
# --scratch DIR  keep the scratch copy and its build there (reused by later runs,
#                which then rebuild only what changed); default: a temporary one
# --jobs N       build with N jobs (default 2)
# NAME...        run only the mutants of these names
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(git -C "$here" rev-parse --show-toplevel)
list=$here/mutants.txt
scratch=
jobs=2
declare -a only=()

while (($#)); do
    case $1 in
        --scratch) scratch=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        -h | --help) sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "${BASH_SOURCE[0]}"; exit 0 ;;
        -*) echo "unknown option $1" >&2; exit 2 ;;
        *) only+=("$1"); shift ;;
    esac
done

# The tests run against each mutant: every unit test, then the macro tests but
# the few that build strings of the longest length allowed, which take seconds
# each and guard the limits rather than anything the mutants change.
slow_macros='^macro/(limits/|regression/string_doubling)'

# ---- reading the list ----------------------------------------------------------

declare -a names=() files=() froms=() tos=() from_lines=() to_lines=() reasons=() lines=()
problems=0

complain() {
    echo "$list:$1: $2" >&2
    problems=$((problems + 1))
}

line_number=0
while IFS= read -r line || [[ -n $line ]]; do
    line_number=$((line_number + 1))
    [[ -z ${line//[[:space:]]/} || $line == '#'* ]] && continue
    if [[ $line =~ ^\[([^]]+)\][[:space:]]+([^[:space:]]+)[[:space:]]*$ ]]; then
        names+=("${BASH_REMATCH[1]}")
        files+=("${BASH_REMATCH[2]}")
        froms+=("") tos+=("") from_lines+=(0) to_lines+=(0) reasons+=("") lines+=("$line_number")
        continue
    fi
    last=$((${#names[@]} - 1))
    if ((last < 0)); then
        complain "$line_number" "a mutant starts with a line '[name] path'"
        continue
    fi
    # "- text" and "+ text": one line of the original and of the replacement;
    # the space after the sign is not part of the text, any further ones are.
    text=${line:2}
    case $line in
        '-' | '- '*)
            ((from_lines[last]++)) && froms[last]+=$'\n'
            froms[last]+=$text
            ;;
        '+' | '+ '*)
            ((to_lines[last]++)) && tos[last]+=$'\n'
            tos[last]+=$text
            ;;
        'equivalent: '*) reasons[last]=${line#equivalent: } ;;
        *) complain "$line_number" "not a mutant line: $line" ;;
    esac
done <"$list"

# The number of times `pattern` occurs in `text`, not overlapping.
count_in() {
    local text=$1 pattern=$2 count=0
    while [[ $text == *"$pattern"* ]]; do
        text=${text#*"$pattern"}
        count=$((count + 1))
    done
    echo "$count"
}

read_file() {
    IFS= read -r -d '' "$1" <"$2" || true
}

declare -A seen=()
content=
for i in "${!names[@]}"; do
    where="${lines[i]} [${names[i]}]"
    [[ -n ${seen[${names[i]}]:-} ]] && complain "$where" "the name is used twice"
    seen[${names[i]}]=1
    if [[ ! -f $root/${files[i]} ]]; then
        complain "$where" "no file ${files[i]}"
        continue
    fi
    if [[ -z ${froms[i]//[[:space:]]/} ]]; then
        complain "$where" "no original text ('- ' lines)"
        continue
    fi
    [[ ${froms[i]} == "${tos[i]}" ]] && complain "$where" "the replacement is the original"
    read_file content "$root/${files[i]}"
    found=$(count_in "$content" "${froms[i]}")
    if ((found != 1)); then
        complain "$where" "the original text is found $found times in ${files[i]}, not once:"
        printf '%s\n' "${froms[i]}" | sed 's/^/    /' >&2
    fi
done
for name in "${only[@]}"; do
    [[ -n ${seen[$name]:-} ]] || complain 0 "no mutant named $name"
done
if ((problems)); then
    echo "The list has $problems problem(s); nothing was run." >&2
    exit 2
fi

# ---- the scratch copy -------------------------------------------------------------

started=$SECONDS
temporary=
if [[ -z $scratch ]]; then
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorin-mutation.XXXXXX")
    temporary=1
fi
mkdir -p "$scratch/src"
scratch=$(cd "$scratch" && pwd)
src=$scratch/src
build=$scratch/build
marker=$scratch/mutated

# The file under mutation, put back on every way out.
restore=
original=
put_back() {
    if [[ -n $restore ]]; then
        printf '%s' "$original" >"$restore"
        restore=
    fi
}
trap 'put_back; [[ -z $temporary ]] || rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

# The files of the checkout as they are now, edits included. tar keeps their
# times, so a reused build recompiles only what changed since. A file that an
# earlier run mutated gets its old time back while the build may still hold the
# mutant's object, so every such file is compiled again.
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$src"
if [[ -f $marker ]]; then
    sort -u "$marker" | while IFS= read -r mutated; do touch "$src/$mutated"; done
    rm -f "$marker"
fi

targets=(quorin quorin_unit_tests quorin_macro_runner)
echo "Building the scratch copy in $build ..."
if ! cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_SANITIZE=OFF \
    >"$scratch/build.log" 2>&1 ||
    ! cmake --build "$build" --target "${targets[@]}" -j "$jobs" >>"$scratch/build.log" 2>&1; then
    temporary=
    echo "The scratch copy does not build; see $scratch/build.log." >&2
    exit 2
fi

# Runs the tests up to the first failure. Prints the failing test's name and
# returns 1, or returns 0 when all pass.
run_tests() {
    local log=$scratch/tests.log failed
    if ! timeout 300 "$build/tests/quorin_unit_tests" --gtest_fail_fast --gtest_brief=1 \
        >"$log" 2>&1; then
        failed=$(grep -m1 -o '\[  FAILED  \] [^ ,]*' "$log" | sed 's/.*\] //') || true
        echo "${failed:-the unit tests (a crash or a time-out)}"
        return 1
    fi
    if ! ctest --test-dir "$build" -L macro -E "$slow_macros" --stop-on-failure --timeout 60 \
        -j "$jobs" >"$log" 2>&1; then
        failed=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' "$log" | head -n 1)
        echo "${failed:-the macro tests}"
        return 1
    fi
}

if ! failing=$(run_tests); then
    temporary=
    echo "The tests fail without any mutant: $failing; see $scratch/tests.log." >&2
    exit 2
fi
echo "Built and tested in $((SECONDS - started)) s."

# ---- the mutants ---------------------------------------------------------------

killed=0 equivalent=0 survived=0 broken=0
for i in "${!names[@]}"; do
    name=${names[i]}
    if ((${#only[@]})) && [[ " ${only[*]} " != *" $name "* ]]; then continue; fi
    file=$src/${files[i]}
    mutant_started=$SECONDS
    read_file original "$file"
    restore=$file
    echo "${files[i]}" >>"$marker"
    printf '%s' "${original%%"${froms[i]}"*}${tos[i]}${original#*"${froms[i]}"}" >"$file"
    if ! cmake --build "$build" --target "${targets[@]}" -j "$jobs" >"$scratch/mutant.log" 2>&1; then
        outcome="DOES NOT BUILD:"$'\n'$(grep -m3 'error' "$scratch/mutant.log")
        broken=$((broken + 1))
    elif failing=$(run_tests); then
        if [[ -n ${reasons[i]} ]]; then
            outcome="survived, equivalent: ${reasons[i]}"
            equivalent=$((equivalent + 1))
        else
            outcome="SURVIVED"
            survived=$((survived + 1))
        fi
    else
        outcome="killed by $failing"
        [[ -n ${reasons[i]} ]] && outcome+=" (marked equivalent: drop the mark)"
        killed=$((killed + 1))
    fi
    put_back
    printf '%-32s %s (%d s)\n' "$name" "$outcome" "$((SECONDS - mutant_started))"
done

echo "$((killed + equivalent + survived + broken)) mutants: $killed killed," \
    "$equivalent equivalent, $survived survived, $broken not building;" \
    "$((SECONDS - started)) s in all."
((survived == 0 && broken == 0))
