#!/usr/bin/env bash
# End-to-end tests of the show: the real program on Xvfb, read back from the screen.
# Usage: show.sh CASE
source "$(dirname "$0")/lib.sh"

# Slots: exit conditions, fps, kind, random, step, colour, gradation 1, gradation 2, placement,
# interval.
# The path is written by hand as it stands: "," and ";" are part of it.
picture_centred() {
    two_colour_desktop
    local centred="$E2E_TMP/a,b;c.bmp"
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
