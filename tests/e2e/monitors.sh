#!/usr/bin/env bash
# End-to-end tests on two monitors: one wide Xvfb screen split into its halves with RandR.
# Usage: monitors.sh CASE
SCREEN_W=2048
source "$(dirname "$0")/lib.sh"

every_monitor_fades_from_its_own_part_and_a_key_ends_all() {
    two_colour_desktop
    # Two pictures enlarged to the screen, 2 frames a second, step 20 (3 s a fade, each level
    # half a second), held one second: the second monitor starts one picture further.
    convert -size 64x48 xc:'#ff0000' -type TrueColor "BMP3:$E2E_TMP/red.bmp"
    convert -size 64x48 xc:'#0000ff' -type TrueColor "BMP3:$E2E_TMP/blue.bmp"
    write_settings 319 2 2 0 20 0 0 0 3 1
    add_pictures "$E2E_TMP/red.bmp" "$E2E_TMP/blue.bmp"
    start_saver /s
    wait_saver_window
    wait_until 2 a_window_a_monitor || fail "windows: $(saver_windows)"
    # Each monitor starts from its own part of the desktop, not the whole desktop squeezed:
    # squeezed, x = 1000 of the left monitor would show the right half's orange.
    local left right
    left=$(pixel 1000 10)
    right=$(pixel 1034 10)
    (($((16#${left:4:2})) > 0x99)) || fail "the left monitor did not start from its part ($left)"
    (($((16#${right:0:2})) > 0x99)) || fail "the right monitor did not start from its part ($right)"
    wait_pixel 10 10 ff0000 5
    # Each monitor waits for its own picture, read on a thread of its own: the right one may
    # reach its scene a frame later.
    wait_pixel 2038 758 0000ff 2
    wait_pixel 10 10 "$LEFT_COLOR" 6
    wait_pixel 2038 10 "$RIGHT_COLOR" 2
    xdotool key a
    expect_ended "a key" 5
    [[ -z "$(saver_windows)" ]] || fail "windows left: $(saver_windows)"
}

a_monitor_that_comes_or_goes_ends_the_saver() {
    write_settings 264 10 0 0 10 $((0x00FF00)) 0 0 0 1
    start_saver /s
    wait_saver_window
    sleep 0.5
    xrandr --delmonitor right >/dev/null || fail "xrandr cannot take the right monitor away"
    expect_ended "the right monitor went away" 5
    xrandr --setmonitor right "1024/270x768/203+1024+0" none >/dev/null
    start_saver /s
    wait_saver_window
    sleep 0.5
    xrandr --setmonitor third "512/135x384/101+0+0" none >/dev/null ||
        fail "xrandr cannot add a monitor"
    expect_ended "a third monitor came" 5
    # A monitor that reaches far past the screen: its part on the screen is covered.
    xrandr --delmonitor third >/dev/null
    xrandr --delmonitor right >/dev/null
    xrandr --setmonitor right "20000/270x20000/203+1024+0" none >/dev/null
    start_saver /s
    wait_saver_window
    wait_until 2 a_window_a_monitor || fail "windows: $(saver_windows)"
}

root_covers_every_monitor() {
    write_settings 319 10 0 0 100 $((0x00FF00)) 0 0 0 5
    start_saver --root
    wait_saver_window
    [[ "$(saver_windows)" == "0 0 2048 768" ]] || fail "windows: $(saver_windows)"
}

start_xvfb
two_monitors
"$1"
echo "PASS: $1"
