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

# press DELAY KEY...: each key in turn, DELAY seconds apart.
press() {
    local delay=$1 key
    shift
    for key; do
        xdotool key "$key"
        sleep "$delay"
    done
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

# Under a real window manager, which frames the sheet: Return on a colour button, every page
# key, a full round of the pages, then each page set by keyboard, a folder added through the
# real folder dialog among it. The sheet stays where it is as
# the pages change, and cannot be enlarged.
keyboard_alone_sets_every_page() {
    start_window_manager
    # Single colour black, 5 frames a second, every exit condition; two pictures.
    write_settings 319 5 0 0 1 0 0 0 0 10
    add_pictures /nowhere/a.jpg /nowhere/b.gif
    start_saver /c
    wait_sheet 'Setting of Velvetfade'
    local sheet before after expected
    sheet=$(xdotool search --onlyvisible --name '^Setting of Velvetfade$' | head -n1)
    before=$(window_geometry "$sheet")
    # From the tabs, Tab reaches the single colour's box, then its button; Return opens its
    # popup (not OK); the first Down marks the current cell, black, the second dark red;
    # Return takes it.
    press 0.15 Tab Tab Return Down Down Return
    saver_running || fail "Return on a colour button ended the sheet"
    # Six page changes from the colour button, back to the first page.
    press 0.3 ctrl+Tab ctrl+Next ctrl+Tab ctrl+shift+Tab ctrl+Prior ctrl+Prior
    xdotool windowsize "$sheet" 900 700
    sleep 0.3
    after=$(window_geometry "$sheet")
    [[ "$after" == "$before" ]] || fail "the sheet went from $before to $after"
    note "the sheet stayed at $before"
    # The Gradation radio by its mnemonic; Tab to the first gradation colour (after the single
    # colour's box and button, and the gradation's box); Space opens its popup; from black (the
    # first cell) right twice and down once is red; Return takes it.
    press 0.15 alt+g Tab Tab Tab Tab space Down Right Right Down Return
    # Tab to the list (past the second gradation colour's box and button and the order box);
    # Space selects its first picture and Delete deletes it. Tab past Add to Folder...; Return
    # opens the folder dialog, where a folder's name is typed and taken.
    mkdir "$E2E_TMP/Holiday 2026"
    press 0.15 Tab Tab Tab Tab space Delete Tab Tab Return
    wait_until 5 eval "xdotool search --onlyvisible --name '^Find Directory\$' >/dev/null" ||
        fail "Folder... opened no folder dialog"
    sleep 0.5
    xdotool type --delay 20 "$E2E_TMP/Holiday 2026"
    press 0.5 Return
    wait_until 5 eval "! xdotool search --onlyvisible --name '^Find Directory\$' >/dev/null" ||
        fail "the folder dialog did not take the folder"
    # Tab past Delete and the placement to OK, and from there Ctrl+Tab to the Display page.
    press 0.15 Tab Tab Tab ctrl+Tab
    # The frame rate by its group's mnemonic, three steps up. The Details page; "Key down"
    # cleared by its mnemonic.
    press 0.15 alt+f Right Right Right ctrl+Next alt+k
    sleep 0.6  # a mnemonic's button stays pressed for a moment and holds other keys back
    xdotool key Return
    expect_ended "OK" 5
    for expected in DWORD_0=$((319 - 32)) DWORD_1=8 DWORD_2=1 DWORD_5=$((0x000080)) \
        DWORD_6=$((0x0000FF)) Num_DWORD=10 Num_String=7 String_5=/nowhere/b.gif \
        "String_6=$E2E_TMP/Holiday 2026/"; do
        grep -qx "$expected" "$(SETTINGS_FILE)" ||
            fail "the settings file lacks $expected: $(cat "$(SETTINGS_FILE)")"
    done
}

start_xvfb
"$1"
echo "PASS: $1"
