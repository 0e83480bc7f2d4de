#!/usr/bin/env bash
# End-to-end tests of XScreenSaver's ways of starting the program: a host's window named on the
# command line or in XSCREENSAVER_WINDOW, the root window, a window of its own, the signals that
# end it, and the real XScreenSaver. Usage: host.sh CASE
source "$(dirname "$0")/lib.sh"

# Slots: exit conditions, fps, kind, random, step, colour, gradation 1, gradation 2, placement,
# interval. An orange scene shown at once and held.
ORANGE_AT_ONCE=(319 50 0 0 100 $((0x0080FF)) 0 0 0 5)

# Sends input that ends the full-screen saver, and checks that the program is still there.
expect_input_ignored() {
    sleep_until 2000
    xdotool mousemove 200 200 mousemove 400 300 click 1 click 3 key a
    expect_running "input after 2 s: $1"
}

window_id_draws_into_a_foreign_window() {
    start_host_window 0 0 "$SCREEN_W" "$SCREEN_H" 0x3366cc
    start_host_window 100 80 320 240 0x00ff00
    local host=$HOST_ID
    # Stored: a black gradation at one frame a second, one per cent a frame. XScreenSaver's
    # dialog asks for orange at once, for this run.
    write_settings 319 1 1 0 1 $((0x0080FF)) 0 0 0 5
    start_saver --window-id "$(printf '0x%x' "$host")" --frame-rate 50 --fade-step 20 --scene colour
    wait_saver_window
    expect_geometry "100 80 320 240"
    wait_pixel 101 81 ff8000 5
    expect_pixel 419 319 ff8000
    expect_pixel 99 79 3366cc
    expect_input_ignored "in a host's window"
    # It follows the host's size.
    xdotool windowsize "$host" 200 100
    wait_until 2 eval '[[ "$(window_geometry "$SAVER_WIN")" == *" 200 100" ]]' ||
        fail "after the host's resize: $(window_geometry "$SAVER_WIN")"
    wait_pixel 299 179 ff8000 5
    kill "$HOST_PID"
    expect_ended "its host window went away"
}

host_variable_and_its_screenshot() {
    two_colour_desktop
    # The host's window is black and carries a green "screenshot" of the screen.
    start_host_window 0 0 "$SCREEN_W" "$SCREEN_H" 0x000000 0x00ff00
    # An orange scene that fades in slowly: 4 frames a second, step 10, so about 3 s.
    write_settings 319 4 0 0 10 $((0x0080FF)) 0 0 0 5
    export XSCREENSAVER_WINDOW=$HOST_ID
    start_saver --root
    unset XSCREENSAVER_WINDOW
    wait_saver_window
    expect_geometry "0 0 $SCREEN_W $SCREEN_H"
    local first
    first=$(first_look 10 10 000000)
    # The show starts from the screenshot (green), not from the desktop under the host (blue).
    ((16#${first:2:2} > 0xa0 && 16#${first:4:2} < 0x20)) ||
        fail "the show did not start from the host's screenshot ($first)"
    wait_pixel 10 10 ff8000 8
    expect_pixel $((SCREEN_W - 10)) $((SCREEN_H - 10)) ff8000
}

root_lies_beneath_other_windows() {
    start_host_window 100 100 200 150 0xff0000
    write_settings "${ORANGE_AT_ONCE[@]}"
    start_saver --root
    wait_saver_window
    wait_pixel 10 10 ff8000 5
    expect_pixel $((SCREEN_W - 1)) $((SCREEN_H - 1)) ff8000
    # The window above stays above.
    expect_pixel 150 150 ff0000
    start_host_window 600 500 50 50 0x0000ff
    expect_pixel 620 520 0000ff
    expect_input_ignored "on the root window"
}

own_window_is_ordinary_and_closes_normally() {
    write_settings "${ORANGE_AT_ONCE[@]}"
    start_saver --window
    wait_saver_window
    read -r x y w h < <(window_geometry "$SAVER_WIN")
    ((w == SCREEN_W * 2 / 3 && h == SCREEN_H * 2 / 3)) || fail "window size $w x $h"
    wait_pixel $((x + 5)) $((y + 5)) ff8000 5
    # An ordinary window shows the pointer's cursor.
    xdotool mousemove $((x + 50)) $((y + 50))
    sleep 0.3
    [[ $("$X11_TOOL" cursor) == visible* ]] || fail "the cursor is hidden over the window"
    expect_input_ignored "in its own window"
    # Resized, it is still filled.
    xdotool windowsize "$SAVER_WIN" 300 200
    sleep 0.5
    read -r x y w h < <(window_geometry "$SAVER_WIN")
    [[ "$w $h" == "300 200" ]] || fail "resized to $w x $h"
    wait_pixel $((x + 299)) $((y + 199)) ff8000 5
    "$X11_TOOL" close "$SAVER_WIN"
    expect_ended "the window manager's close request"
}

signals_end_the_program_cleanly() {
    local run
    for run in "TERM /s" "INT --window" "HUP --root"; do
        start_saver ${run#* }
        wait_saver_window
        # A reader of its messages that went away costs a message, not the show.
        kill -PIPE "$SAVER_PID"
        expect_running "SIGPIPE"
        kill -"${run%% *}" "$SAVER_PID"
        expect_ended "SIG$run"
    done
    # Also while the settings sheet is open: it closes without saving.
    write_settings 319 30
    local before
    before=$(cat "$(SETTINGS_FILE)")
    start_saver /c
    wait_until 5 xdotool search --onlyvisible --name .
    sleep 0.5
    kill -TERM "$SAVER_PID"
    expect_ended "SIGTERM with the settings open"
    [[ "$(cat "$(SETTINGS_FILE)")" == "$before" ]] || fail "the settings changed"
}

# Bad window ids, a host window that is gone and a missing display end the program with status
# 1 and a reason on standard error, without a window; --help and --version need no display.
command_line_failures_are_reported() {
    # exits_with STATUS PATTERN COMMAND...: the command ends with the status and says so.
    exits_with() {
        local want=$1 pattern=$2 status=0 out
        shift 2
        out=$(timeout 20 "$@" 2>&1) || status=$?
        ((status == want)) || fail "status $status for $*: $out"
        grep -qE -- "$pattern" <<<"$out" || fail "no \"$pattern\" from $*: $out"
    }
    exits_with 1 '^Velvetfade: there is no window' "$VELVETFADE" --window-id 0x1
    exits_with 1 XSCREENSAVER_WINDOW env XSCREENSAVER_WINDOW=0x1 "$VELVETFADE" --root
    exits_with 1 'cannot open the X display' env -u DISPLAY "$VELVETFADE" /c
    exits_with 0 '--window-id WINDOW' env -u DISPLAY "$VELVETFADE" --help
    exits_with 0 '^Velvetfade [0-9]' env -u DISPLAY "$VELVETFADE" --version
    # A mistyped option blanks nothing: the mistake and the usage, status 2.
    exits_with 2 '^Velvetfade: unknown option "--windw"' "$VELVETFADE" --windw
    exits_with 2 '--frame-rate N' "$VELVETFADE" /s --frame-rate 0
    # What XScreenSaver's dialog may pass (each slider at both ends, each choice) is taken: the
    # program goes on to look for its display.
    local xml i n arg end
    xml="$(dirname "$0")/../../res/desktop/velvetfade.xml"
    n=$(xmllint --xpath 'count(//number)' "$xml")
    ((n >= 3)) || fail "the dialog offers $n sliders"
    for ((i = 1; i <= n; i++)); do
        arg=$(xmllint --xpath "string(//number[$i]/@arg)" "$xml")
        for end in low high; do
            exits_with 1 'cannot open the X display' env -u DISPLAY "$VELVETFADE" --root \
                ${arg/\%/$(xmllint --xpath "string(//number[$i]/@$end)" "$xml")}
        done
    done
    n=$(xmllint --xpath 'count(//option)' "$xml")
    for ((i = 1; i <= n; i++)); do
        arg=$(xmllint --xpath "string(//option[$i]/@arg-set)" "$xml")
        exits_with 1 'cannot open the X display' env -u DISPLAY "$VELVETFADE" --root $arg
    done
    [[ -z "$(xdotool search --name '^Velvetfade$' 2>/dev/null)" ]] || fail "a window was made"
}

start_xvfb
"$1"
