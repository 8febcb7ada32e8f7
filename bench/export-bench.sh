#!/usr/bin/env bash
# Times `reelshelf-cli export` on the benchmark catalogue against the sqlite3 shell reading what
# each export needs, as whole processes in alternating order; the peak memory from /usr/bin/time.
#
#   bench/export-bench.sh
#   RUNS=9 BUILD_DIR=build BENCH_HOME=/tmp/other bench/export-bench.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
home=${BENCH_HOME:-/tmp/reelshelf-bench-home}
runs=${RUNS:-5}
seed=${SEED:-20070101}

if [[ -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$root" -B "$build" >/dev/null
else
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DREELSHELF_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target reelshelf-gen reelshelf-cli >/dev/null
cli="$build/src/cli/reelshelf-cli"
if [[ ! -f "$home/ShelfIndex.db" ]]; then
    echo "== generating the catalogue in $home (seed $seed)"
    "$build/bench/reelshelf-gen" --home "$home" --discs 1000 --movies 100000 --posters 200 --seed "$seed"
fi
db="$home/ShelfIndex.db"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

ms() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
shell_text() {
    sqlite3 "$db" "SELECT DiskNum, MovieName FROM ReelShelfIndex" >/dev/null
    sqlite3 "$db" "SELECT * FROM DiskState" >/dev/null
}
shell_all() { sqlite3 "$db" "SELECT * FROM ReelShelfIndex"; }

# One untimed round fills the caches.
shell_all >/dev/null
"$cli" --home "$home" export --txt --folder "$out" >/dev/null 2>&1
for ((i = 0; i < runs; i++)); do
    ms shell_text >>"$out/shell_text"
    ms "$cli" --home "$home" export --txt --folder "$out" >>"$out/txt"
    ms shell_all >>"$out/shell_all"
    ms "$cli" --home "$home" export --xls --folder "$out" >>"$out/xls"
    /usr/bin/time -f "%M" -o "$out/time" "$cli" --home "$home" export --xls --folder "$out" >/dev/null 2>&1
    awk '{ printf "%d\n", $1 / 1024 }' "$out/time" >>"$out/rss"
done
t=$(median <"$out/txt")
s=$(median <"$out/shell_text")
echo "sqlite3 DiskNum, MovieName + DiskState, median ms: $s"
echo "reelshelf-cli export --txt, median ms:            $t  ($(awk -v a="$t" -v b="$s" 'BEGIN { printf "%.2f", a / b }')x)"
echo "sqlite3 SELECT * FROM ReelShelfIndex, median ms:   $(median <"$out/shell_all")"
echo "reelshelf-cli export --xls, median ms:            $(median <"$out/xls")"
echo "export --xls peak memory (max RSS), MB:           $(median <"$out/rss")"
echo "workbook size, bytes:                             $(stat -c %s "$out/ReelShelfIndex.xls")"
