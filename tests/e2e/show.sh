#!/usr/bin/env bash
# End-to-end tests of the show: the real program on Xvfb, read back from the screen.
# Usage: show.sh CASE
source "$(dirname "$0")/lib.sh"

# Slots: exit conditions, fps, kind, random, step, colour, gradation 1, gradation 2, placement,
# interval.
colour_scene_fades_in_holds_and_returns() {
    two_colour_desktop
    # Orange (COLORREF 0x0080FF), 5 frames a second, step 20: each fade takes about 1.2 s.
    write_settings 319 5 0 0 20 $((0x0080FF)) 0 0 0 1
    start_saver /s
    wait_saver_window
    local first
    first=$(pixel 10 10)
    note "first look: $first"
    # The show starts from the captured desktop: early in the fade the blue of the desktop
    # (0xcc) still outweighs the scene's (0x00).
    (($((16#${first:4:2})) > 0x66)) || fail "the show did not start from the captured screen ($first)"
    wait_pixel 10 10 ff8000 5
    expect_pixel $((SCREEN_W - 10)) $((SCREEN_H - 10)) ff8000
    sleep 0.5
    expect_pixel 500 300 ff8000
    wait_pixel 10 10 "$LEFT_COLOR" 6
    expect_pixel $((SCREEN_W - 10)) 10 "$RIGHT_COLOR"
}

picture_centred() {
    two_colour_desktop
    local centred="$E2E_TMP/centred.bmp"
    convert -size 100x50 xc:'#ff00ff' -type TrueColor "BMP3:$centred"

    write_settings 319 50 2 0 100 0 0 0 1 5
    add_pictures "$centred"
    start_saver /s
    wait_saver_window
    wait_pixel 512 384 ff00ff 5
    expect_pixel 462 359 ff00ff
    expect_pixel 561 408 ff00ff
    expect_pixel 461 359 "$LEFT_COLOR"
    expect_pixel 562 408 "$RIGHT_COLOR"
    expect_pixel 512 358 "$RIGHT_COLOR"
}

start_xvfb
"$1"
echo "PASS: $1"
