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

gradation_rows() {
    # Black at the top to white, shown at once (step 100) and held for 5 s.
    write_settings 319 50 1 0 100 0 0 $((0xFFFFFF)) 0 5
    start_saver /s
    wait_saver_window
    wait_pixel 100 767 fefefe 5
    expect_pixel 100 0 000000
    expect_pixel 900 384 7f7f7f
    expect_pixel 3 192 3f3f3f
    expect_pixel 1000 767 fefefe
}

picture_centred_and_tiled() {
    two_colour_desktop
    local centred="$E2E_TMP/centred.bmp" tile="$E2E_TMP/tile.bmp"
    convert -size 100x50 xc:'#ff00ff' -type TrueColor "BMP3:$centred"
    convert -size 300x200 xc:'#ff00ff' -fill '#00ffff' -draw 'rectangle 0,0 9,9' \
        -type TrueColor "BMP3:$tile"

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
    kill "$SAVER_PID"
    wait "$SAVER_PID" 2>/dev/null || true

    write_settings 319 50 2 0 100 0 0 0 2 5
    add_pictures "$tile"
    start_saver /s
    wait_saver_window
    wait_pixel 310 210 ff00ff 5
    local x y
    for x in 0 300 600 900; do
        for y in 0 200 400 600; do
            expect_pixel $((x + 5)) $((y + 5)) 00ffff
            expect_pixel $((x + 15)) $((y + 5)) ff00ff
        done
    done
}

preview_shows_the_whole_frame_scaled() {
    start_host_window 100 100 160 120 0x00ff00
    write_settings 319 50 1 0 100 0 0 $((0xFFFFFF)) 0 5
    start_saver /p "$HOST_ID"
    wait_saver_window
    wait_pixel 180 100 000000 5
    # Preview row 119 shows frame row (2 * 119 + 1) * 768 / 240 = 764 of the gradation.
    local bottom middle
    bottom=$(pixel 180 219)
    middle=$(pixel 180 160)
    note "preview rows 0, 60, 119: $(pixel 180 100) $middle $bottom"
    grey_near "$bottom" 253 2 || fail "bottom row of the preview is $bottom"
    grey_near "$middle" 128 3 || fail "middle row of the preview is $middle"
    expect_pixel 99 99 000000
}

start_xvfb
"$1"
echo "PASS: $1"
