#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks it the way a desktop, a software centre and a
# new user meet it: the file list, the validators of the menu entry and the metadata, the icon
# sizes, and the installed programs starting on an empty home with the installed defaults.
# Usage: check-install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2

scratch=$(mktemp -d)
gui_pid=
cleanup() {
  if [ -n "$gui_pid" ]; then kill "$gui_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || {
  cat "$scratch/install.log" >&2
  fail "cmake --install failed"
}

expected=$(
  cat <<LIST
bin/reelshelf
bin/reelshelf-cli
libexec/reelshelf-index/reelshelf-mdbread
libexec/reelshelf-index/reelshelf-probe
share/applications/$id.desktop
share/icons/hicolor/128x128/apps/$id.png
share/icons/hicolor/16x16/apps/$id.png
share/icons/hicolor/22x22/apps/$id.png
share/icons/hicolor/24x24/apps/$id.png
share/icons/hicolor/256x256/apps/$id.png
share/icons/hicolor/32x32/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/64x64/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/metainfo/$id.metainfo.xml
share/reelshelf-index/Help/editor-poster.png
share/reelshelf-index/Help/export.png
share/reelshelf-index/Help/filter.png
share/reelshelf-index/Help/main.png
share/reelshelf-index/Help/report.png
share/reelshelf-index/Help/restore.png
share/reelshelf-index/Help/settings-colours.png
share/reelshelf-index/Help/settings-columns.png
share/reelshelf-index/Help/stats.png
share/reelshelf-index/Help/wizard.png
share/reelshelf-index/Posters/00.jpg
share/reelshelf-index/RSISet.ini
share/reelshelf-index/Temp/goldstar.gif
share/reelshelf-index/Temp/goldstar@2x.gif
share/reelshelf-index/Temp/graystar.gif
share/reelshelf-index/Temp/graystar@2x.gif
share/reelshelf-index/help.html
LIST
)
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") >&2 || true
  fail "installed files differ from the expected list (< expected, > installed)"
fi
[ -x "$prefix/bin/reelshelf" ] && [ -x "$prefix/bin/reelshelf-cli" ] || fail "programs are not executable"
[ -x "$prefix/libexec/reelshelf-index/reelshelf-mdbread" ] || fail "the .mdb reading helper is not executable"
[ -x "$prefix/libexec/reelshelf-index/reelshelf-probe" ] || fail "the movie file reading helper is not executable"

desktop=$prefix/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli rejects the metainfo"
grep -qx "Exec=reelshelf" "$desktop" || fail "the menu entry does not start reelshelf"
grep -qx "Icon=$id" "$desktop" || fail "the menu entry names another icon"
grep -q "^Categories=.*AudioVideo;" "$desktop" || fail "the menu entry is not under AudioVideo"
grep -q "^Name\[zh_CN\]=" "$desktop" || fail "the menu entry has no Chinese name"

# A PNG keeps its width and height as big-endian words at bytes 16 and 20.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}
for dir in "$prefix"/share/icons/hicolor/*x*; do
  size=${dir##*/}
  got=$(png_size "$dir/apps/$id.png")
  [ "$got" = "$size" ] || fail "icon in $size is $got"
done

# The installed defaults are the ones a new data folder gets: mark the installed settings file.
defaults=$prefix/share/reelshelf-index
printf '; installed copy\r\n' >>"$defaults/RSISet.ini"

home=$scratch/home
env -u REELSHELF_HOME "$prefix/bin/reelshelf-cli" --home "$home" discs >"$scratch/cli.out" 2>"$scratch/cli.err" || {
  cat "$scratch/cli.err" >&2
  fail "reelshelf-cli --home HOME discs failed"
}
[ -s "$home/ShelfIndex.db" ] || fail "reelshelf-cli made no catalogue in its home"
cmp -s "$home/RSISet.ini" "$defaults/RSISet.ini" || fail "the new data folder did not get the installed settings"
for f in Posters/00.jpg Temp/goldstar.gif Temp/graystar.gif Temp/goldstar@2x.gif Temp/graystar@2x.gif help.html; do
  cmp -s "$home/$f" "$defaults/$f" || fail "the new data folder did not get $f"
done

# An old catalogue is read by the installed helper, found from the installed program.
old=$scratch/old
mkdir -p "$old"
cp "$(dirname "$0")/../data/mdb/catalogue40.mdb" "$old/ShelfIndex.mdb"
env -u REELSHELF_HOME "$prefix/bin/reelshelf-cli" --home "$old" discs >"$scratch/old.out" 2>"$scratch/old.err" || {
  cat "$scratch/old.err" >&2
  fail "the installed reelshelf-cli could not import an old catalogue"
}
grep -q "已从旧版数据库导入 5 张光盘、40 部影片。" "$scratch/old.err" || fail "the old catalogue was not imported"

# A movie file is read by the installed helper, found from the installed program.
env -u REELSHELF_HOME "$prefix/bin/reelshelf-cli" probe --json "$(dirname "$0")/../data/media/feature.mkv" \
  >"$scratch/probe.out" 2>"$scratch/probe.err" || fail "the installed reelshelf-cli probe failed"
grep -q '"container":"Matroska"' "$scratch/probe.out" || {
  cat "$scratch/probe.err" >&2
  fail "the installed helper read no facts of a movie file"
}

# The desktop program on a fresh account: the data folder comes from ~/.local/share.
user=$scratch/user
mkdir -p "$user"
env -u REELSHELF_HOME -u XDG_DATA_HOME HOME="$user" QT_QPA_PLATFORM=offscreen \
  "$prefix/bin/reelshelf" >"$scratch/gui.log" 2>&1 &
gui_pid=$!
for _ in $(seq 50); do
  [ -s "$user/.local/share/ReelShelfIndex/ShelfIndex.db" ] && break
  sleep 0.1
done
[ -s "$user/.local/share/ReelShelfIndex/ShelfIndex.db" ] || fail "reelshelf made no catalogue in ~/.local/share/ReelShelfIndex"
sleep 1
kill -0 "$gui_pid" 2>/dev/null || {
  cat "$scratch/gui.log" >&2
  fail "reelshelf ended right after start"
}
echo "installed layout, validators and first start: ok"
