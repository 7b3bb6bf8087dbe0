#!/usr/bin/env bash
# Short fuzz runs of every target built in BUILD_DIR (default build-sanitize),
# each on a copy of its seeds in fuzz/seeds/<target>/, two at a time.
#
#   fuzz/run.sh [SECONDS_PER_TARGET]      (default 60)
#
# Any crash, sanitizer finding, leak or timeout fails the run; the input that
# caused it is kept in BUILD_DIR/fuzz/findings/ and printed, ready to be added
# to the target's seeds as a regression input.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-sanitize}
seconds=${1:-60}
list=$build/fuzz/targets.txt
[ -f "$list" ] || { echo "fuzz/run.sh: no $list; build with -DKELVRA_FUZZ=ON first" >&2; exit 2; }

work=$build/fuzz/work
findings=$build/fuzz/findings
rm -rf "$work"
mkdir -p "$work" "$findings"

run_one() {
    local target=$1 corpus=$work/$1
    mkdir -p "$corpus"
    [ -d "$root/fuzz/seeds/$target" ] && cp "$root/fuzz/seeds/$target/"* "$corpus/" 2>/dev/null
    "$build/fuzz/$target" "$corpus" -max_total_time="$seconds" -max_len=512 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$target-" >"$work/$target.log" 2>&1
    local status=$?
    local runs
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$target.log" | grep -o '[0-9]*$')
    if [ $status -eq 0 ]; then
        echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, nothing found"
    else
        echo "fuzz $target: FAILED (status $status)"
        tail -n 40 "$work/$target.log"
    fi
    return $status
}

failed=0
pids=()
names=()
while read -r target; do
    [ -n "$target" ] || continue
    run_one "$target" &
    pids+=($!)
    names+=("$target")
    # Two at a time: one per core.
    if [ ${#pids[@]} -ge 2 ]; then
        wait "${pids[0]}" || failed=1
        pids=("${pids[@]:1}")
    fi
done <"$list"
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
if [ $failed -ne 0 ]; then
    echo "fuzz: findings in $findings:" >&2
    ls -l "$findings" >&2
fi
exit $failed
