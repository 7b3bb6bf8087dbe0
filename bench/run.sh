#!/usr/bin/env bash
# Times kelvra-format against the SQL formatters a user might pick instead,
# in one run, on about 1 MB and about 10 MB of SQL, and prints a Markdown table
# (median wall seconds, peak memory, ratio to the fastest other formatter).
#
#   bench/run.sh [--install] [--runs N] [--timeout SECONDS] [--out FILE]
#
# Without --install nothing is installed: the script says what is missing and
# leaves those formatters out. With --install it installs them:
#   sqlformat     Debian python3-sqlparse and sqlformat
#   pg_format     Debian pgformatter
#   sql-formatter npm, into bench/node_modules (not committed)
#   /usr/bin/time Debian time (for the peak memory)
# Each command runs N times (default 3) with a time limit per run (default
# 120 s); a command that passes the limit is shown as "> limit". A command that
# takes more than 30 s is not repeated.
#
# Environment: KELVRA_FORMAT (default build/bin/kelvra-format, or
# build/src/cli/kelvra-format), BENCH_INPUT (default ../shared/bench/mixed_1mb.sql).
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
install=0 runs=3 limit=120 out=""
while [ $# -gt 0 ]; do
    case "$1" in
    --install) install=1 ;;
    --runs) runs=$2; shift ;;
    --timeout) limit=$2; shift ;;
    --out) out=$2; shift ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if [ $install -eq 1 ]; then
    pkgs=()
    command -v sqlformat >/dev/null || pkgs+=(python3-sqlparse sqlformat)
    command -v pg_format >/dev/null || pkgs+=(pgformatter)
    [ -x /usr/bin/time ] || pkgs+=(time)
    command -v npm >/dev/null || pkgs+=(npm)
    if [ ${#pkgs[@]} -gt 0 ]; then
        as_root apt-get update -qq && as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${pkgs[@]}" >/dev/null
    fi
    if [ ! -x "$here/node_modules/.bin/sql-formatter" ]; then
        npm install --prefix "$here" --no-save --no-audit --no-fund --silent sql-formatter
    fi
fi

kelvra=${KELVRA_FORMAT:-}
if [ -z "$kelvra" ]; then
    for c in "$root/build/bin/kelvra-format" "$root/build/src/cli/kelvra-format"; do
        [ -x "$c" ] && { kelvra=$c; break; }
    done
fi
if [ -z "$kelvra" ] || [ ! -x "$kelvra" ]; then
    echo "run.sh: kelvra-format not found; build first (make build) or set KELVRA_FORMAT" >&2
    exit 1
fi
if [ ! -x /usr/bin/time ]; then
    echo "run.sh: /usr/bin/time is missing (Debian package time); run with --install" >&2
    exit 1
fi

input=${BENCH_INPUT:-$root/../shared/bench/mixed_1mb.sql}
[ -r "$input" ] || { echo "run.sh: no input $input" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$input" "$work/1mb.sql"
for _ in 1 2 3 4 5 6 7 8 9 10; do cat "$input"; done > "$work/10mb.sql"

# name|command (the input file is appended)
tools=("kelvra-format|$kelvra")
missing=()
if command -v sqlformat >/dev/null; then
    tools+=("sqlformat|sqlformat --reindent --keywords upper")
else missing+=("sqlformat (Debian python3-sqlparse)"); fi
if command -v pg_format >/dev/null; then
    tools+=("pg_format|pg_format")
else missing+=("pg_format (Debian pgformatter)"); fi
if [ -x "$here/node_modules/.bin/sql-formatter" ]; then
    tools+=("sql-formatter|$here/node_modules/.bin/sql-formatter")
elif command -v sql-formatter >/dev/null; then
    tools+=("sql-formatter|sql-formatter")
else missing+=("sql-formatter (npm)"); fi
for m in "${missing[@]}"; do echo "run.sh: not installed, left out: $m (bench/run.sh --install)" >&2; done

# measure NAME COMMAND FILE: prints "median_seconds max_rss_kb" or "> limit max_rss_kb"
measure() {
    local file=$1; shift
    local times=() rss=0 n=0 status
    while [ $n -lt "$runs" ]; do
        /usr/bin/time -f '%e %M' -o "$work/time" timeout "$limit" "$@" "$file" >/dev/null 2>"$work/err"
        status=$?
        read -r secs kb < <(tail -n 1 "$work/time")
        [ "${kb:-0}" -gt "$rss" ] 2>/dev/null && rss=$kb
        if [ $status -eq 124 ]; then echo "> $limit $rss"; return; fi
        if [ $status -ne 0 ]; then echo "failed($status) $rss"; return; fi
        times+=("$secs")
        n=$((n + 1))
        awk -v s="$secs" 'BEGIN { exit !(s > 30) }' && break
    done
    printf '%s\n' "${times[@]}" | sort -g | awk -v rss="$rss" '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)], rss }'
}

declare -A result
for size in 1mb 10mb; do
    for t in "${tools[@]}"; do
        name=${t%%|*} cmd=${t#*|}
        # pg_format is far slower than the rest: when 1 MB passes the limit, 10 MB does too.
        if [ "$size" = 10mb ] && [[ "${result[$name,1mb]:-}" == ">"* ]]; then
            result[$name,$size]="> $limit -"
            continue
        fi
        echo "run.sh: $name on $size ..." >&2
        # shellcheck disable=SC2086
        result[$name,$size]=$(measure "$work/$size.sql" $cmd)
    done
done

bytes1=$(stat -c %s "$work/1mb.sql") bytes10=$(stat -c %s "$work/10mb.sql")
{
    echo "Inputs: $(basename "$input") ($bytes1 bytes) and the same ten times ($bytes10 bytes)."
    echo "Median wall seconds of $runs runs (one when a run takes over 30 s), limit $limit s per run;"
    echo "memory is the peak resident set. Ratio: the fastest other formatter's time over kelvra-format's."
    echo
    echo "| formatter | 1 MB s | 1 MB max RSS | 10 MB s | 10 MB max RSS |"
    echo "|---|---|---|---|---|"
    for t in "${tools[@]}"; do
        name=${t%%|*}
        row="| $name"
        for size in 1mb 10mb; do
            read -r a b c <<<"${result[$name,$size]}"
            if [ "$a" = ">" ]; then secs="> $b"; kb=$c; else secs=$a; kb=$b; fi
            if [[ "$kb" =~ ^[0-9]+$ ]] && [ "$kb" -gt 0 ]; then mem="$(awk -v k="$kb" 'BEGIN { printf "%.1f MB", k / 1024 }')"; else mem="-"; fi
            row="$row | $secs | $mem"
        done
        echo "$row |"
    done
    echo
    for size in 1mb 10mb; do
        read -r mine _ <<<"${result[kelvra-format,$size]}"
        best="" bestname=""
        for t in "${tools[@]}"; do
            name=${t%%|*}
            [ "$name" = kelvra-format ] && continue
            read -r a _ <<<"${result[$name,$size]}"
            [[ "$a" =~ ^[0-9.]+$ ]] || continue
            if [ -z "$best" ] || awk -v a="$a" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$a bestname=$name; fi
        done
        if [ -n "$best" ] && [[ "$mine" =~ ^[0-9.]+$ ]]; then
            awk -v s="$size" -v m="$mine" -v b="$best" -v n="$bestname" 'BEGIN {
                if (m > 0) printf "%s: fastest other formatter %s %.2f s; kelvra-format %.2f s, %.0f times faster\n", s, n, b, m, b / m;
                else printf "%s: fastest other formatter %s %.2f s; kelvra-format under 0.01 s (more than %.0f times faster)\n", s, n, b, b / 0.01 }'
        fi
    done
} | if [ -n "$out" ]; then tee "$out"; else cat; fi
