#!/usr/bin/env bash
# Builds the generator and the benchmark, makes the benchmark catalogue when it is missing, then
# prints the in-process figures (reelshelf-bench, repeated runs) and the whole-process figures
# (the program started RUNS times, each time until its main window is shown).
#
#   bench/run-bench.sh                 # defaults below
#   RUNS=9 BENCH_HOME=/tmp/other bench/run-bench.sh
#   bench/run-bench.sh scan            # only the drive scan against find(1)
#   bench/run-bench.sh commit          # only the wizard's commit of 1,000 prepared rows
#   bench/run-bench.sh search          # only list --json, search --title, the window's title search
#                                      # and title patterns up to 32,767 characters
#   bench/run-bench.sh filter          # only the quick filter above the movie list, key by key
#   bench/run-bench.sh backup          # only the backup a deletion waits for, and a restore
#   bench/run-bench.sh stats           # only the statistics window and stats --json
#   bench/run-bench.sh report          # only the duplicates and risk report
#   bench/run-bench.sh groups          # only the 分类 tab: movies grouped by a field
#   bench/run-bench.sh probe           # only reelshelf-cli probe against mediainfo
#   bench/run-bench.sh verify          # only reelshelf-cli verify of a 3 GB disc against cat(1)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
home=${BENCH_HOME:-/tmp/reelshelf-bench-home}
runs=${RUNS:-5}
seed=${SEED:-20070101}
tree=${SCAN_TREE:-/tmp/reelshelf-scan-tree}
only=${1:-all}

# A build folder of its own gets no tests; an existing one (BUILD_DIR=build) keeps its options.
if [[ -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$root" -B "$build" >/dev/null
else
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DREELSHELF_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target reelshelf-gen reelshelf-bench reelshelf-scanbench reelshelf-commitbench \
    reelshelf-searchbench reelshelf-filterbench reelshelf-backupbench reelshelf-statsbench reelshelf-reportbench reelshelf-groupbench \
    reelshelf-cli >/dev/null

export QT_QPA_PLATFORM=offscreen
gen="$build/bench/reelshelf-gen"
bench="$build/bench/reelshelf-bench"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Milliseconds a command takes as a whole process, its output thrown away.
ms_of() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }

scan_bench() {
    if [[ ! -d "$tree" ]]; then
        echo "== generating the folder tree in $tree (seed $seed)"
        "$gen" --tree "$tree" --tree-files 50000 --tree-folders 5000 --seed "$seed"
    fi
    echo "== drive scan against find: $runs runs"
    "$build/bench/reelshelf-scanbench" --tree "$tree" --runs "$runs" --cli "$build/src/cli/reelshelf-cli"
}
if [[ "$only" == scan ]]; then
    scan_bench
    exit 0
fi

# Whole processes on about a hundred movie files (copies of the test media: Matroska, MPEG-4 and
# AVI), in alternating order after one untimed round that fills the caches.
probe_bench() {
    command -v mediainfo >/dev/null || "$root/tools/install-packages.sh" mediainfo
    local files=${PROBE_FILES:-/tmp/reelshelf-probe-files} m p i
    if [[ ! -d $files ]]; then
        mkdir -p "$files"
        for i in $(seq 1 34); do
            cp "$root/tests/data/media/feature.mkv" "$files/feature$i.mkv"
            cp "$root/tests/data/media/parts.CD1.mp4" "$files/parts$i.mp4"
            cp "$root/tests/data/media/plain.avi" "$files/plain$i.avi"
        done
    fi
    local list=("$files"/*)
    echo "== probe of ${#list[@]} movie files against mediainfo --Output=JSON --ParseSpeed=0: $runs runs"
    mediainfo --Output=JSON --ParseSpeed=0 "${list[@]}" >/dev/null
    "$build/src/cli/reelshelf-cli" probe --json "${list[@]}" >/dev/null 2>&1
    local ours=() theirs=()
    for ((i = 0; i < runs; i++)); do
        m=$(ms_of mediainfo --Output=JSON --ParseSpeed=0 "${list[@]}")
        p=$(ms_of "$build/src/cli/reelshelf-cli" probe --json "${list[@]}")
        theirs+=("$m")
        ours+=("$p")
    done
    m=$(printf '%s\n' "${theirs[@]}" | median)
    p=$(printf '%s\n' "${ours[@]}" | median)
    echo "mediainfo, median ms:          $m"
    echo "reelshelf-cli probe, median ms: $p ($(awk -v a="$p" -v b="$m" 'BEGIN { printf "%.2fx", a / b }'), target 1.2x)"
}

if [[ "$only" == probe ]]; then
    probe_bench
    exit 0
fi

# Whole processes on about 3 GB of movie files of random bytes, added as disc 1 of a fresh catalogue:
# cat(1) reading them all against reelshelf-cli verify of that disc, alternating. Warm: after one
# untimed round of each (the first check, which keeps the hashes, must find every file whole), all
# files in the page cache; cold: the files' pages dropped before every run (POSIX_FADV_DONTNEED
# through dd, the rest of the cache left alone). cat 9.1 read()s 128 KB at a time, no splice.
verify_bench() {
    local files=${VERIFY_TREE:-/tmp/reelshelf-verify-tree} cli="$build/src/cli/reelshelf-cli" t f i n mb state
    if [[ ! -d $files ]]; then
        echo "== making about 3 GB of movie files of random bytes in $files"
        n=1
        for mb in 1000 800 700 500; do
            mkdir -p "$files/Feature$n"
            head -c "${mb}M" /dev/urandom >"$files/Feature$n/feature$n.mkv"
            n=$((n + 1))
        done
        mkdir -p "$files/Shorts"
        for i in $(seq 1 20); do head -c "$((i * 256))K" /dev/urandom >"$files/Shorts/short$i.mp4"; done
    fi
    local list
    mapfile -t list < <(find "$files" -type f | sort)
    t=$(mktemp -d)
    "$cli" --home "$t" add-disc --number 1 --no-facts "$files" >/dev/null 2>&1
    cat "${list[@]}" >/dev/null
    if ! "$cli" --home "$t" verify --disc 1 --json "$files" | tail -1 | grep -q "\"ok\":${#list[@]},"; then
        echo "reelshelf-cli verify did not find the ${#list[@]} files of $files whole" >&2
        exit 1
    fi
    local bytes
    bytes=$(du -cb "${list[@]}" | tail -1 | cut -f1)
    for state in warm cold; do
        local ours=() theirs=() c v
        for ((i = 0; i < runs; i++)); do
            [[ $state == cold ]] && for f in "${list[@]}"; do dd if="$f" iflag=nocache count=0 status=none; done
            c=$(ms_of cat "${list[@]}")
            [[ $state == cold ]] && for f in "${list[@]}"; do dd if="$f" iflag=nocache count=0 status=none; done
            v=$(ms_of "$cli" --home "$t" verify --disc 1 "$files")
            theirs+=("$c")
            ours+=("$v")
        done
        c=$(printf '%s\n' "${theirs[@]}" | median)
        v=$(printf '%s\n' "${ours[@]}" | median)
        echo "== verify of ${#list[@]} files, $((bytes / 1000000)) MB, $state: $runs runs, medians"
        echo "cat FILES > /dev/null, ms:          $c (runs $(printf '%s\n' "${theirs[@]}" | sort -n | sed -n '1p;$p' | paste -sd-))"
        echo "reelshelf-cli verify --disc 1, ms:  $v (runs $(printf '%s\n' "${ours[@]}" | sort -n | sed -n '1p;$p' | paste -sd-)," \
            "$(awk -v a="$v" -v b="$c" 'BEGIN { printf "%.2fx", a / b }'), target 1.1x)"
    done
    rm -rf "$t"
}
if [[ "$only" == verify ]]; then
    verify_bench
    exit 0
fi

if [[ ! -f "$home/ShelfIndex.db" ]]; then
    echo "== generating the catalogue in $home (seed $seed)"
    "$gen" --home "$home" --discs 1000 --movies 100000 --posters 200 --seed "$seed"
fi

commit_bench() {
    echo "== wizard commit of 1,000 rows: $runs runs on a fresh empty catalogue, then on copies of $home"
    "$build/bench/reelshelf-commitbench" --rows 1000 --runs "$runs"
    "$build/bench/reelshelf-commitbench" --rows 1000 --runs "$runs" --catalogue "$home/ShelfIndex.db"
}
if [[ "$only" == commit ]]; then
    commit_bench
    exit 0
fi

backup_bench() {
    echo "== backup before a deletion, the deletion of one movie, a restore: $runs runs on copies of $home"
    "$build/bench/reelshelf-backupbench" --catalogue "$home/ShelfIndex.db" --runs "$runs"
}
if [[ "$only" == backup ]]; then
    backup_bench
    exit 0
fi


# Whole processes, output to /dev/null, each against the sqlite3 shell in the same round.
search_bench() {
    local cli="$build/src/cli/reelshelf-cli" db="$home/ShelfIndex.db" query=${QUERY:-英雄}
    local t
    t=$(mktemp -d)
    ms() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
    for ((i = 0; i < runs; i++)); do
        ms sqlite3 -json "$db" "SELECT * FROM ReelShelfIndex" >>"$t/sqlite"
        ms "$cli" --home "$home" list --json >>"$t/list"
        ms "$cli" --home "$home" search --title "$query" --json >>"$t/search"
    done
    local base list search
    base=$(median <"$t/sqlite") list=$(median <"$t/list") search=$(median <"$t/search")
    echo "== JSON output: $runs runs, medians"
    echo "sqlite3 -json SELECT * FROM ReelShelfIndex, ms: $base"
    echo "reelshelf-cli list --json, ms:                $list ($(awk -v a="$list" -v b="$base" 'BEGIN { printf "%.2f", a / b }')x)"
    echo "reelshelf-cli search --title $query --json, ms: $search ($(awk -v a="$search" -v b="$base" 'BEGIN { printf "%.2f", a / b }')x)"
    rm -rf "$t"
    echo "== window title search against the sqlite3 LIKE query"
    "$build/bench/reelshelf-searchbench" --home "$home" --runs "$runs" --query "$query" 2>/dev/null
    echo "== title patterns up to 32,767 characters against a one-character search"
    "$build/bench/reelshelf-searchbench" --home "$home" --runs "$runs" --long 2>/dev/null
}
if [[ "$only" == search ]]; then
    search_bench
    exit 0
fi

filter_bench() {
    echo "== quick filter on 所有影碟: $runs runs"
    "$build/bench/reelshelf-filterbench" --home "$home" --runs "$runs" 2> >(grep -v XDG_RUNTIME_DIR >&2)
}
if [[ "$only" == filter ]]; then
    filter_bench
    exit 0
fi

stats_bench() {
    echo "== statistics window against the sqlite3 GROUP BY queries: $runs runs"
    "$build/bench/reelshelf-statsbench" --home "$home" --runs "$runs" 2> >(grep -v "XDG_RUNTIME_DIR\|propagateSizeHints" >&2)
    local t
    t=$(mktemp -d)
    for ((i = 0; i < runs; i++)); do
        local s e
        s=$(date +%s%N)
        "$build/src/cli/reelshelf-cli" --home "$home" stats --json >/dev/null
        e=$(date +%s%N)
        echo $(((e - s) / 1000000)) >>"$t/cli"
    done
    echo "reelshelf-cli stats --json, whole process, median ms: $(median <"$t/cli")"
    rm -rf "$t"
}
if [[ "$only" == stats ]]; then
    stats_bench
    exit 0
fi

# The report in process and as a whole process, each against the shell grouping the titles.
report_bench() {
    local cli="$build/src/cli/reelshelf-cli" db="$home/ShelfIndex.db" t
    local sql="SELECT lower(trim(MovieName)) AS t, count(*) FROM ReelShelfIndex GROUP BY lower(trim(MovieName)) HAVING count(*) > 1"
    echo "== duplicates and risk report: $runs runs"
    "$build/bench/reelshelf-reportbench" --home "$home" --runs "$runs" 2>/dev/null
    t=$(mktemp -d)
    ms() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
    for ((i = 0; i < runs; i++)); do
        ms sqlite3 "$db" "$sql" >>"$t/sqlite"
        ms "$cli" --home "$home" report --json >>"$t/report"
    done
    local base ours
    base=$(median <"$t/sqlite") ours=$(median <"$t/report")
    echo "sqlite3 GROUP BY lower(trim(MovieName)), whole process, ms: $base"
    echo "reelshelf-cli report --json > /dev/null, ms:                $ours ($(awk -v a="$ours" -v b="$base" 'BEGIN { printf "%.2f", a / b }')x)"
    rm -rf "$t"
}
if [[ "$only" == report ]]; then
    report_bench
    exit 0
fi

# The 分类 tab in process, and the sqlite3 shell grouping one field (genre, as stored: the shell
# cannot split "动作/战争") as a whole process for the ratio.
groups_bench() {
    local db="$home/ShelfIndex.db" t base shown
    echo "== movies grouped by kind (分类): $runs runs"
    shown=$(mktemp)
    "$build/bench/reelshelf-groupbench" --home "$home" --runs "$runs" 2>/dev/null | tee "$shown"
    t=$(mktemp)
    for ((i = 0; i < runs; i++)); do
        ms_of sqlite3 "$db" "SELECT Type, count(*) FROM ReelShelfIndex GROUP BY Type" >>"$t"
    done
    base=$(median <"$t")
    echo "sqlite3 GROUP BY Type, whole process, ms: $base"
    awk -v b="$base" '/^open the/ { printf "open / shell: %.2fx\n", $NF / b } /^switch the field/ { printf "switch / shell: %.2fx\n", $NF / b }' "$shown"
    rm -f "$t" "$shown"
}
if [[ "$only" == groups ]]; then
    groups_bench
    exit 0
fi

echo "== in process: $runs runs"
"$bench" --home "$home" --runs "$runs" 2> >(grep -v XDG_RUNTIME_DIR >&2)


echo
echo "== whole process: $runs starts, each until the main window is shown, then exit"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for ((i = 0; i < runs; i++)); do
    launched=$(date +%s%N)
    "$bench" --home "$home" --once startup --launched-ns "$launched" >"$tmp/out" 2>/dev/null
    ended=$(date +%s%N)
    sed -n 's/.*since launch \([0-9.]*\) ms.*/\1/p' "$tmp/out" >>"$tmp/shown"
    echo "$(((ended - launched) / 1000000))" >>"$tmp/wall"
done
echo "launch to main window shown, median ms:   $(median <"$tmp/shown")"
echo "launch to exit (wall), median ms:         $(median <"$tmp/wall")"

echo
echo "== whole process: $runs starts, each with one click on 所有影碟, then exit"
for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%M" -o "$tmp/time" \
        "$bench" --home "$home" --once all --launched-ns "$(date +%s%N)" >"$tmp/out" 2>/dev/null
    sed -n 's/^click NodeAll: \([0-9.]*\) ms, sqlite3 shell \([0-9.]*\) ms, ratio \([0-9.]*\).*/\1 \2 \3/p' \
        "$tmp/out" >>"$tmp/click"
    awk '{ printf "%d\n", $1 / 1024 }' "$tmp/time" >>"$tmp/rss"
done
echo "first click on 所有影碟, median ms:        $(cut -d' ' -f1 <"$tmp/click" | median)"
echo "sqlite3 shell in the same process, median: $(cut -d' ' -f2 <"$tmp/click" | median)"
echo "ratio per process, median:                $(cut -d' ' -f3 <"$tmp/click" | median)"
echo "peak memory (max RSS, /usr/bin/time), MB:  $(median <"$tmp/rss")"

echo
scan_bench

echo
commit_bench

echo
search_bench

echo
filter_bench

echo
backup_bench

echo
stats_bench

echo
report_bench
echo
groups_bench

echo
probe_bench

echo
verify_bench
