#!/usr/bin/env bash
# End-to-end tests of the configuration mode: the real sheet on Xvfb, driven by the keyboard.
# Usage: config.sh CASE
source "$(dirname "$0")/lib.sh"

# Whether a window of the program has this title (compared whole, outside xdotool's regular
# expressions, which miss UTF-8).
titled() {
    local w
    for w in $(xdotool search --onlyvisible --name 'Velvetfade' 2>/dev/null); do
        [[ "$(xdotool getwindowname "$w")" == "$1" ]] && return 0
    done
    return 1
}

wait_sheet() {  # TITLE
    wait_until 5 eval "! saver_running || titled '$1'" || fail "no window titled $1 appeared"
    saver_running || fail "the program ended before showing the sheet"
    sleep 0.3
}

# In Japanese, with the same mnemonics: changes, then Escape.
escape_leaves_the_file_as_it_was() {
    write_settings 319 50 1 0 100 $((0x0080FF)) 0 0 0 5
    add_pictures /nowhere/a.jpg
    local before
    before=$(sha256sum "$(SETTINGS_FILE)")
    LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 start_saver /c
    wait_sheet 'Velvetfade 設定'
    xdotool key alt+s alt+o
    sleep 0.6  # a mnemonic's button stays pressed for a moment and holds Escape back
    xdotool key Escape
    expect_ended "Escape" 5
    [[ "$(sha256sum "$(SETTINGS_FILE)")" == "$before" ]] || fail "Cancel changed the settings file"
}

ok_stores_the_mapped_values_and_the_saver_uses_them() {
    # A gradation scene is stored; the user picks the single colour (orange) and presses OK.
    write_settings 264 50 1 $((0x18)) 100 $((0x0080FF)) 0 0 3 5
    add_pictures /nowhere/a.jpg /nowhere/b.gif
    start_saver /c
    wait_sheet 'Setting of Velvetfade'
    xdotool key alt+s
    sleep 0.6
    xdotool key Return
    expect_ended "OK" 5
    local file
    file=$(SETTINGS_FILE)
    local expected
    for expected in DWORD_0=264 DWORD_1=50 DWORD_2=0 DWORD_3=8 DWORD_4=100 DWORD_5=33023 \
        DWORD_8=3 DWORD_9=5 Num_DWORD=10 Num_String=7 'String_5=/nowhere/a.jpg' \
        'String_6=/nowhere/b.gif'; do
        grep -qx "$expected" "$file" || fail "the settings file lacks $expected: $(cat "$file")"
    done
    start_saver /s
    wait_saver_window
    wait_pixel 500 400 ff8000 5
}

# Under a real window manager, which frames the sheet: a full round of the pages, then each
# page set by keyboard. The sheet stays where it is as the pages change.
keyboard_alone_sets_every_page() {
    start_window_manager
    # Single colour black, 5 frames a second, every exit condition.
    write_settings 319 5 0 0 1 0 0 0 0 10
    start_saver /c
    wait_sheet 'Setting of Velvetfade'
    local sheet step before after
    sheet=$(xdotool search --onlyvisible --name '^Setting of Velvetfade$' | head -n1)
    before=$(window_geometry "$sheet")
    for step in 1 2 3 4; do
        xdotool key ctrl+Tab
        sleep 0.3
    done
    after=$(window_geometry "$sheet")
    [[ "$after" == "$before" ]] || fail "the sheet moved from $before to $after over four pages"
    note "the sheet stayed at $before"
    # The Gradation radio by its mnemonic; Tab to the first gradation colour (after the single
    # colour's box and button, and the gradation's box); Space opens its popup; from black (the
    # first cell) right twice and down once is red; Return takes it.
    for step in alt+g Tab Tab Tab Tab space Down Right Right Down Return; do
        xdotool key "$step"
        sleep 0.15
    done
    # The Display page; the frame rate by its group's mnemonic, three steps up.
    for step in ctrl+Tab alt+f Right Right Right; do
        xdotool key "$step"
        sleep 0.15
    done
    # The Details page; "Key down" cleared by its mnemonic; Return is OK.
    for step in ctrl+Tab alt+k; do
        xdotool key "$step"
        sleep 0.15
    done
    sleep 0.6  # a mnemonic's button stays pressed for a moment and holds other keys back
    xdotool key Return
    expect_ended "OK" 5
    local file expected
    file=$(SETTINGS_FILE)
    for expected in DWORD_0=$((319 - 32)) DWORD_1=8 DWORD_2=1 DWORD_6=$((0x0000FF)); do
        grep -qx "$expected" "$file" || fail "the settings file lacks $expected: $(cat "$file")"
    done
}

start_xvfb
"$1"
echo "PASS: $1"
