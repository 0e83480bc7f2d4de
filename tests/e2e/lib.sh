# Helpers for the end-to-end tests: a private Xvfb display, a private settings folder, the real
# program started in the background, and checks against what the X server shows.
# Sourced by the test scripts; expects VELVETFADE (the program) and X11_TOOL (tests/tools) to be
# set.

set -euo pipefail

# A test may set its own screen size before sourcing this file.
SCREEN_W=${SCREEN_W:-1024}
SCREEN_H=${SCREEN_H:-768}
E2E_TMP=$(mktemp -d)
BG_PIDS=()
CLEANUP_HOOKS=()

fail() {
    echo "FAIL: $*" >&2
    if [[ -n "${SAVER_LOG:-}" && -s "$SAVER_LOG" ]]; then
        echo "--- program output ---" >&2
        cat "$SAVER_LOG" >&2
    fi
    exit 1
}

note() { echo "-- $*"; }

now_ms() { date +%s%3N; }

# wait_until SECONDS COMMAND...: runs the command every 50 ms until it succeeds; fails (status
# 1) when it has not within the time.
wait_until() {
    local limit=$1 start
    shift
    start=$(now_ms)
    until "$@" >/dev/null 2>&1; do
        (($(now_ms) - start < limit * 1000)) || return 1
        sleep 0.05
    done
}

cleanup() {
    local pid hook
    for hook in "${CLEANUP_HOOKS[@]}"; do
        "$hook" || true
    done
    # Only processes that are still this shell's children: a PID that has ended may already
    # belong to someone else.
    for pid in "${BG_PIDS[@]}"; do
        [[ "$(ps -o ppid= -p "$pid" 2>/dev/null | tr -d ' ')" == "$$" ]] &&
            { kill "$pid" 2>/dev/null || true; }
    done
    for pid in "${BG_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$E2E_TMP"
}
trap cleanup EXIT

# Starts Xvfb on a free display and points DISPLAY at it.
start_xvfb() {
    local fdfile="$E2E_TMP/display"
    Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset \
        3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    BG_PIDS+=($!)
    wait_until 5 test -s "$fdfile" || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY=":$(head -n1 "$fdfile")"
    # The server answers before its first client is let in; make sure one gets in.
    wait_until 5 xdpyinfo || fail "cannot connect to Xvfb on $DISPLAY"
    export XDG_CONFIG_HOME="$E2E_TMP/config"
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset XSCREENSAVER_WINDOW QT_QPA_PLATFORM
}

# Runs a real window manager (openbox) on the display, as a desktop has one: windows are framed,
# placed and focused by it, and their geometry lags behind their requests.
start_window_manager() {
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    BG_PIDS+=($!)
    wait_until 5 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        fail "openbox did not start: $(cat "$E2E_TMP/openbox.log")"
}

# Splits the screen into two monitors side by side, its left and right halves, as RandR 1.5
# reports them (the default monitor takes the left half, so that none covers the whole).
two_monitors() {
    local w=$((SCREEN_W / 2))
    xrandr --setmonitor left "$w/270x$SCREEN_H/203+0+0" screen >/dev/null || true
    xrandr --setmonitor right "$w/270x$SCREEN_H/203+$w+0" none >/dev/null || true
    [[ $(xrandr --listmonitors | head -n1) == "Monitors: 2" ]] ||
        fail "not two monitors: $(xrandr --listmonitors)"
}

README="$(dirname "${BASH_SOURCE[0]}")/../../README.md"
# readme_commands MARKER: the shell block that follows <!-- MARKER --> in the README, so that a
# test runs what the README says and the two cannot drift.
readme_commands() {
    awk -v marker="<!-- $1 -->" '
        $0 == marker {found = 1; next}
        found && /^```sh$/ {inside = 1; next}
        inside && /^```$/ {exit}
        inside {print}' "$README"
}

SETTINGS_FILE() { echo "$XDG_CONFIG_HOME/Kelsa's Applications/Velvetfade.ini"; }

# write_settings DWORD0 [DWORD1 ...]: stores the given DWORD slots.
write_settings() {
    local i=0 value
    mkdir -p "$(dirname "$(SETTINGS_FILE)")"
    {
        printf '[Settings]\nNum_DWORD=%s\n' $#
        for value in "$@"; do
            echo "DWORD_$((i++))=$value"
        done
    } >"$(SETTINGS_FILE)"
}

# start_saver ARGS...: runs the program in the background; its pid is SAVER_PID.
start_saver() {
    SAVER_LOG="$E2E_TMP/saver.log"
    "$VELVETFADE" "$@" >"$SAVER_LOG" 2>&1 &
    SAVER_PID=$!
    BG_PIDS+=("$SAVER_PID")
}

# start_host_window X Y W H [0xRRGGBB]: a foreign window; its id is HOST_ID, its pid HOST_PID.
# start_managed_window X Y W H [0xRRGGBB]: the same, framed and focused by a window manager.
start_host_window() { start_x11_window window "$@"; }
start_managed_window() { start_x11_window managed "$@"; }
start_x11_window() {
    local out="$E2E_TMP/host.$RANDOM"
    "$X11_TOOL" "$@" >"$out" 2>&1 &
    HOST_PID=$!
    BG_PIDS+=("$HOST_PID")
    wait_until 5 test -s "$out"
    HOST_ID=$(head -n1 "$out")
    [[ "$HOST_ID" =~ ^[0-9]+$ ]] || fail "the host window did not start: $HOST_ID"
}

# Waits for the program's visible window; its id is SAVER_WIN. Sets SHOWN_AT (ms clock).
wait_saver_window() {
    wait_until 10 eval '! saver_running || xdotool search --onlyvisible --name "^Velvetfade$"' ||
        fail "no Velvetfade window appeared"
    saver_running || fail "the program ended before showing a window"
    SHOWN_AT=$(now_ms)
    SAVER_WIN=$(xdotool search --onlyvisible --name '^Velvetfade$' | head -n1)
}

# sleep_until MS: sleeps until MS milliseconds after the window appeared.
sleep_until() {
    local left=$(($1 - ($(now_ms) - SHOWN_AT)))
    if ((left > 0)); then
        sleep "$(printf '%d.%03d' $((left / 1000)) $((left % 1000)))"
    fi
}

saver_running() { kill -0 "$SAVER_PID" 2>/dev/null; }

# process_gone PID: the process has ended (a zombie whose parent went first counts as ended).
process_gone() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null || true)
    [[ -z "$state" || "$state" == Z* ]]
}

expect_running() {
    sleep 0.4
    saver_running || fail "the program ended after: $*"
    note "still running after: $*"
}

# expect_ended WHAT [SECONDS]: the program must have ended, with status 0.
expect_ended() {
    wait_until "${2:-3}" eval '! saver_running' || fail "the program did not end after: $1"
    local status=0
    wait "$SAVER_PID" || status=$?
    [[ $status -eq 0 ]] || fail "the program ended with status $status after: $1"
    note "ended after: $1"
}

# window_geometry WIN: prints "X Y W H" of a window in root coordinates.
window_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# expect_geometry "X Y W H": where the program's window lies, in root coordinates.
expect_geometry() {
    [[ "$(window_geometry "$SAVER_WIN")" == "$1" ]] ||
        fail "the window is at $(window_geometry "$SAVER_WIN"), expected $1"
}

# saver_windows: the program's visible windows, one "X Y W H" line each, in order of X.
saver_windows() {
    local w
    for w in $(xdotool search --onlyvisible --name '^Velvetfade$' 2>/dev/null); do
        window_geometry "$w"
    done | sort -n
}

# Whether the program shows a window on each of the two monitors of two_monitors.
a_window_a_monitor() { [[ "$(saver_windows)" == $'0 0 1024 768\n1024 0 1024 768' ]]; }

# pixel X Y: the screen's colour there as rrggbb.
pixel() {
    import -silent -window root -crop "1x1+$1+$2" -depth 8 txt:- |
        awk 'NR == 2 {print tolower(substr($3, 2, 6))}'
}


# add_pictures PATH...: appends a picture list to the settings written by write_settings.
add_pictures() {
    local i=0 path
    echo "Num_String=$((5 + $#))" >>"$(SETTINGS_FILE)"
    for path in "" "" "" "" "" "$@"; do
        echo "String_$((i++))=$path" >>"$(SETTINGS_FILE)"
    done
}

# A desktop of two colours, left and right half: the screen the saver captures.
LEFT_COLOR=3366cc
RIGHT_COLOR=cc6633
two_colour_desktop() {
    start_host_window 0 0 $((SCREEN_W / 2)) "$SCREEN_H" "0x$LEFT_COLOR"
    start_host_window $((SCREEN_W / 2)) 0 $((SCREEN_W / 2)) "$SCREEN_H" "0x$RIGHT_COLOR"
    expect_pixel 10 10 "$LEFT_COLOR"
    expect_pixel $((SCREEN_W - 10)) 10 "$RIGHT_COLOR"
}

# expect_pixel X Y RRGGBB: the screen shows that colour there; wait_pixel X Y RRGGBB [SECONDS]:
# it does within the time.
pixel_is() { [[ "$(pixel "$1" "$2")" == "$3" ]]; }
expect_pixel() { pixel_is "$@" || fail "pixel ($1, $2) is $(pixel "$1" "$2"), expected $3"; }
wait_pixel() {
    wait_until "${4:-5}" pixel_is "$1" "$2" "$3" ||
        fail "pixel ($1, $2) did not become $3 (last $(pixel "$1" "$2"))"
    note "($1, $2) became $3 after $(($(now_ms) - SHOWN_AT)) ms"
}

# first_look X Y COVER [SECONDS]: prints the first colour there other than COVER (the host's
# window that shows until the program has painted), waiting for it.
first_look() {
    wait_until "${4:-5}" eval "[[ \$(pixel $1 $2) != $3 ]]" || fail "($1, $2) still shows $3"
    pixel "$1" "$2"
}
