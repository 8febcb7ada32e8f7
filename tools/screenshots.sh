#!/usr/bin/env bash
# screenshots.sh OUTDIR: pictures of the program's windows for the help and the README.
#
# Makes a generated catalogue, starts the real program once per picture on a virtual screen of
# 1024x700 (Xvfb), opens the window by keyboard as a user would, and saves the whole screen as
# OUTDIR/NAME.png. Needs a built tree (BUILD, default build/) with the benchmarks, Xvfb, xdotool
# and ImageMagick. Rerun it whenever the windows change; then copy the pictures with
#   tools/screenshots.sh /tmp/shots && tools/screenshots.sh --install /tmp/shots
# which shrinks them into resources/data/Help/ and docs/screenshot.png.
#
# Besides the help's pictures it takes every other window (start panel of an empty catalogue,
# search, about, new disc, disc details, the disc check, editor, poster viewer, import, the other
# settings pages),
# to look at after a change of layout; SHOT_SCREEN and SHOT_SCALE take them on other screens.
#
# Environment: BUILD (build folder), SHOT_DISPLAYS (displays tried, default "91 92 ... 99"),
# SHOT_WAIT (seconds the program gets to start, default 5), SHOT_ONLY (names to make, blank apart),
# SHOT_SCREEN (the virtual screen, default 1024x700), SHOT_SCALE (QT_SCALE_FACTOR, default none).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
wait_start=${SHOT_WAIT:-5}

usage() { echo "usage: $0 OUTDIR | $0 --install OUTDIR | $0 --sheets OUTDIR DEST LABEL" >&2; exit 2; }
[[ $# -ge 1 ]] || usage

# The pictures the help uses, in 128 colours without dithering (a tenth of the bytes, as sharp for
# windows) and without metadata; the main window is also the README's picture.
install_shots() {
    local from=$1 to=$root/resources/data/Help name
    mkdir -p "$to"
    for name in main filter stats report restore export wizard editor-poster settings-columns settings-colours; do
        [[ -f $from/$name.png ]] || { echo "missing $from/$name.png" >&2; exit 1; }
        convert "$from/$name.png" -strip +dither -colors 128 "PNG8:$to/$name.png"
    done
    convert "$from/main.png" -strip "$root/docs/screenshot.png"
    echo "installed into $to and docs/screenshot.png"
}
# Contact sheets of four windows each, for a note or a review: OUTDIR's pictures in name order,
# each at most 1024x700, into DEST/LABEL-1.png, DEST/LABEL-2.png, ...
make_sheets() {
    local from=$1 to=$2 label=$3 n=0 pictures
    mkdir -p "$to"
    mapfile -t pictures < <(ls "$from"/*.png | sort)
    for ((i = 0; i < ${#pictures[@]}; i += 4)); do
        n=$((n + 1))
        montage "${pictures[@]:i:4}" -tile 2x2 -geometry '1024x700>+4+4' -pointsize 18 \
            "$to/$label-$n.png"
        convert "$to/$label-$n.png" -strip +dither -colors 128 "PNG8:$to/$label-$n.png"
    done
    echo "$n sheets in $to"
}
if [[ $1 == --sheets ]]; then
    [[ $# -eq 4 ]] || { echo "usage: $0 --sheets OUTDIR DEST LABEL" >&2; exit 2; }
    make_sheets "$2" "$3" "$4"
    exit 0
fi
if [[ $1 == --install ]]; then
    [[ $# -eq 2 ]] || usage
    install_shots "$2"
    exit 0
fi
[[ $# -eq 1 ]] || usage
out=$(mkdir -p "$1" && cd "$1" && pwd)

for tool in Xvfb xdotool import convert; do
    command -v $tool >/dev/null || { echo "$tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done
for program in "$build/src/reelshelf" "$build/bench/reelshelf-gen"; do
    [[ -x $program ]] || { echo "$program is missing: build first (cmake --build $build)" >&2; exit 1; }
done

# A display nobody uses: neither a lock file nor a socket.
display=
for n in ${SHOT_DISPLAYS:-91 92 93 94 95 96 97 98 99}; do
    if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then display=$n; break; fi
done
[[ -n $display ]] || { echo "no free display among ${SHOT_DISPLAYS:-91..99}" >&2; exit 1; }

work=$(mktemp -d /tmp/reelshelf-shots.XXXXXX)
xvfb_pid=
app_pid=
cleanup() {
    local status=$?
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    # A failed run keeps the catalogue and the program's output for a look.
    if [[ $status -eq 0 ]]; then rm -rf "$work"; else echo "kept $work" >&2; fi
}
trap cleanup EXIT

echo "catalogue: $work/home"
"$build/bench/reelshelf-gen" --home "$work/home" --discs 300 --movies 3128 --posters 50 --seed 7 >"$work/gen.log"
mkdir -p "$work/empty"

# Without -noreset the server starts over each time the program quits, and now and then does not
# come back.
Xvfb ":$display" -screen 0 "${SHOT_SCREEN:-1024x700}x24" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# shot NAME KEY...: a fresh program, the keys pressed one by one, the screen saved. A key
# "type:TEXT" types TEXT; "sleep:N" waits N seconds.
shot() {
    local name=$1 key wid
    shift
    if [[ -n ${SHOT_ONLY:-} && " $SHOT_ONLY " != *" $name "* ]]; then return; fi
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "$name: Xvfb :$display has gone (see $work/xvfb.log)" >&2; exit 1; }
    local scale=()
    [[ -n ${SHOT_SCALE:-} ]] && scale=(QT_SCALE_FACTOR="$SHOT_SCALE")
    env "${scale[@]}" REELSHELF_HOME="${SHOT_HOME:-$work/home}" LANG=zh_CN.UTF-8 "$build/src/reelshelf" \
        >"$work/$name.log" 2>&1 &
    app_pid=$!
    wid=
    for _ in $(seq $((wait_start * 10))); do
        wid=$(xdotool search --onlyvisible --name '^ReelShelf Index$' 2>/dev/null | head -1) && [[ -n $wid ]] && break
        sleep 0.1
    done
    [[ -n $wid ]] || { echo "$name: the main window did not appear (see $work/$name.log)" >&2; exit 1; }
    sleep 1.5
    # Without a window manager the keys go nowhere until the window has the focus.
    for _ in 1 2 3 4 5; do xdotool windowfocus --sync "$wid" 2>/dev/null && break; sleep 0.5; done
    for key in "$@"; do
        case $key in
        sleep:*) sleep "${key#sleep:}" ;;
        type:*) xdotool type --delay 80 "${key#type:}"; sleep 0.8 ;;
        *) xdotool key --clearmodifiers "$key"; sleep 0.6 ;;
        esac
    done
    sleep 1.5
    import -window root "$out/$name.png"
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
    echo "$out/$name.png"
}

# From the tree: disc 1 (its first movie has a poster) listed and that movie shown; the dialogs
# open over it.
disc=(Home Right sleep:1 Tab Down)
shot main "${disc[@]}"
shot filter Home Down Up sleep:2 ctrl+f type:海 sleep:1 Down
shot stats "${disc[@]}" alt+t Down Down Down Return sleep:3
shot report "${disc[@]}" alt+t Down Down Down Down Return sleep:3
shot restore "${disc[@]}" alt+t Down Down Return sleep:2
shot export "${disc[@]}" ctrl+i
shot wizard "${disc[@]}" ctrl+x sleep:1
shot editor-poster "${disc[@]}" Return sleep:1 ctrl+Tab ctrl+Tab
shot settings-columns "${disc[@]}" alt+t Down Down Down Down Down Down Down Down Return sleep:1
shot settings-colours "${disc[@]}" alt+t Down Down Down Down Down Down Down Down Down Return sleep:1

# The other windows, not in the help.
SHOT_HOME=$work/empty shot start Return sleep:1
shot search "${disc[@]}" alt+c Return sleep:1
shot about "${disc[@]}" alt+a a sleep:1
shot newdisc "${disc[@]}" ctrl+d sleep:1
shot disc Home Right sleep:1 Menu Up Up Up Up Up Return sleep:1
shot verify Home Right sleep:1 Menu Up Up Up Return sleep:1
shot lend Home Right sleep:1 Menu Up Up Return sleep:1
shot groups "${disc[@]}" ctrl+Tab sleep:2
shot editor "${disc[@]}" Return sleep:1
shot poster "${disc[@]}" Tab Tab Tab space sleep:2
shot import "${disc[@]}" alt+t Down Return sleep:2
shot settings-sources "${disc[@]}" alt+t Down Down Down Down Down Down Return sleep:1
shot settings-filter "${disc[@]}" alt+t Down Down Down Down Down Down Down Return sleep:1
