#!/usr/bin/env bash
# End-to-end tests of the saver window: the real program on a private Xvfb display, driven
# with xdotool. Usage: saver_window.sh CASE
source "$(dirname "$0")/lib.sh"

covers_screen() {
    start_host_window 0 0 "$SCREEN_W" "$SCREEN_H" 0x3366cc
    expect_pixel 500 400 3366cc
    # An orange scene shown at once: every pixel of the screen shows the saver's window.
    write_settings 319 50 0 0 100 $((0x0080FF)) 0 0 0 5
    # No arguments at all: the full-screen saver.
    start_saver
    wait_saver_window
    expect_geometry "0 0 $SCREEN_W $SCREEN_H"
    wait_pixel 500 400 ff8000 5
    expect_pixel $((SCREEN_W - 1)) $((SCREEN_H - 1)) ff8000
    [[ $("$X11_TOOL" cursor) == blank ]] || fail "the cursor shows although 256 hides it"
    # A key in the grace time is ignored; after it, Alt alone ends the saver.
    sleep_until 500
    xdotool key a
    expect_running "a key at 0.5 s"
    sleep_until 2000
    xdotool key Alt_L
    expect_ended "Alt alone at 2 s"
}

# A newcomer's first run: nothing stored, a window manager, another program's window in front.
# The first thing on screen is the desktop as it was (never black, not even for a frame), and
# it visibly fades.
first_run_under_a_window_manager() {
    start_window_manager
    xsetroot -solid '#3366cc'
    start_managed_window 200 150 600 400 0xcc6633
    xdotool windowactivate --sync "$HOST_ID"
    local x y w h
    read -r x y w h < <(window_geometry "$HOST_ID")
    wait_until 5 pixel_is $((x + w / 2)) $((y + h / 2)) cc6633 || fail "the window does not show"
    [[ ! -e "$(SETTINGS_FILE)" ]] || fail "settings are stored already"
    "$X11_TOOL" watch 3000 0x000000 >"$E2E_TMP/black.txt" &
    BG_PIDS+=($!)
    local watcher=$!
    start_saver /s
    wait_saver_window
    wait "$watcher"
    [[ "$(head -n1 "$E2E_TMP/black.txt")" =~ ^[0-9]+\ 0$ && $(wc -l <"$E2E_TMP/black.txt") -eq 2 ]] ||
        fail "black appeared: $(cat "$E2E_TMP/black.txt")"
    note "no black in $(tail -n1 "$E2E_TMP/black.txt") of the screen"
    # The sheet's defaults: a fade to black, one per cent five times a second.
    sleep_until 6000
    local now
    now=$(pixel $((x + w / 2)) $((y + h / 2)))
    (($((16#${now:0:2})) <= 0xcc * 85 / 100)) || fail "no visible fade after 6 s: $now"
    note "the window's centre is $now after 6 s"
}

middle_button_only() {
    write_settings 264 30
    start_saver /s
    wait_saver_window
    sleep_until 2000
    xdotool mousemove 100 100
    sleep 0.2
    xdotool mousemove 400 300
    xdotool click 1 click 3 key a key Alt_L click 4
    # Another window taking the focus is not an exit condition either.
    start_host_window 10 10 50 50 0xff0000
    xdotool windowfocus "$HOST_ID" 2>/dev/null || true
    expect_running "movement, left and right clicks, keys, wheel and focus loss with 0x108"
    xdotool mousemove 500 400 click 2
    expect_ended "the middle button"
}

mouse_move() {
    write_settings $((0x10)) 30
    start_saver /s
    wait_saver_window
    xdotool mousemove 200 200
    sleep 0.1
    xdotool mousemove 210 200
    [[ $("$X11_TOOL" cursor) == visible* ]] || fail "the cursor is hidden although 256 is clear"
    sleep_until 2000
    xdotool mousemove 200 200
    expect_running "moving back to the first position seen"
    xdotool mousemove 201 200
    expect_ended "a one-pixel movement"
}

start_xvfb
"$1"
echo "PASS: $1"
