#!/usr/bin/env bash
# End to end on a Wayland compositor: the real program on headless sway with two outputs of their
# own colours (one for the cases named one_output_*), read back with grim, given keys by wtype and
# a pointer by wayland_pointer.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sway.sh"

for tool in sway swaybg grim wtype swayidle swaylock; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup installs it)"
done
export XDG_CONFIG_HOME="$E2E_TMP/config"
unset XSCREENSAVER_WINDOW QT_QPA_PLATFORM
LEFT=102030 RIGHT=2080c0
DESKTOPS=("$LEFT" "$RIGHT") SIZES=(640x480 320x240)
[[ $1 == one_output_* ]] && DESKTOPS=("$LEFT")
OUTPUTS=${#DESKTOPS[@]}
outputs=()
for ((i = 0; i < OUTPUTS; i++)); do outputs+=("${SIZES[i]} ${DESKTOPS[i]}"); done
start_sway "$E2E_TMP/sway" "${outputs[@]}" || fail "sway did not start: $(cat "$E2E_TMP/sway/compositor.log")"
BG_PIDS+=("$SWAY_PID")
wait_until 5 eval '[[ $(wl_pixel $OUTPUTS 10 10) == ${DESKTOPS[-1]} ]]' ||
    fail "no desktop on output $OUTPUTS"

# An orange scene faded in over a second (10 frames a second, step 10), held 2 s, faded out.
ORANGE=ff8000
orange_scene() { write_settings "$1" 10 0 0 10 $((0x0080FF)) 0 0 0 2; }

# sees OUTPUT SECONDS TEST [ARG]: waits until TEST [ARG] COLOUR holds for a pixel there.
sees() {
    local output=$1 limit=$2 test=("${@:3}") start colour
    start=$(now_ms)
    while (($(now_ms) - start < limit * 1000)); do
        colour=$(wl_pixel "$output" 20 20)
        if "${test[@]}" "$colour"; then
            note "output $output showed $colour after $(($(now_ms) - SHOWN_AT)) ms"
            return 0
        fi
        sleep 0.05
    done
    fail "output $output never passed ${test[*]} (last $colour)"
}
channel() { echo $((16#${1:$((2 * $2)):2})); }
# mixed FROM COLOUR: a frame of the fade from FROM to orange, well inside it: red has come a
# good part of the way, and green and blue lie where that level puts them (within 4).
mixed() {
    local r0 r
    r0=$(channel "$1" 0) r=$(channel "$2" 0)
    ((r >= r0 + 0x40 && r <= 0xe0)) || return 1
    local c from to want
    for c in 1 2; do
        from=$(channel "$1" "$c") to=$(channel "$ORANGE" "$c")
        want=$((from + (to - from) * (r - r0) / (0xff - r0)))
        (($(channel "$2" "$c") - want <= 4 && want - $(channel "$2" "$c") <= 4)) || return 1
    done
}
is() { [[ $1 == "$2" ]]; }

start() {
    start_saver "$@"
    SHOWN_AT=$(now_ms)
}

each_output_fades_from_its_own_desktop_and_back() {
    orange_scene 264
    start "${@:-/s}"
    local n size
    for ((n = 1; n <= OUTPUTS; n++)); do sees "$n" 5 mixed "${DESKTOPS[n - 1]}"; done
    for ((n = 1; n <= OUTPUTS; n++)); do
        sees "$n" 5 is "$ORANGE"
        # The whole output is covered.
        size=${SIZES[n - 1]}
        is "$ORANGE" "$(wl_pixel "$n" $((${size%x*} - 1)) $((${size#*x} - 1)))" ||
            fail "the scene does not reach output $n's far corner"
    done
    for ((n = 1; n <= OUTPUTS; n++)); do sees "$n" 6 is "${DESKTOPS[n - 1]}"; done
    saver_running || fail "the program ended"
    # An idle daemon that fires again starts no second saver over the first.
    local out
    out=$(timeout 5 "$VELVETFADE" "${@:-/s}" 2>&1) || fail "a second saver failed: $out"
    [[ $out == *"already covers this compositor"* ]] || fail "a second saver started: $out"
    # A monitor plugged in means somebody is there.
    swaymsg create_output >/dev/null
    expect_ended "a new output"
}

# As in a session where XWayland has set DISPLAY: --wayland keeps the saver on the compositor.
one_output_fades_from_its_desktop_and_back() {
    DISPLAY=:99 each_output_fades_from_its_own_desktop_and_back --wayland /s
}

# A portrait monitor at a fractional scale: the saver starts from the desktop as it looks, upright
# and in the output's own pixels; given a new mode, it goes on over the whole output.
one_output_upright_at_a_fractional_scale_and_covered_at_a_new_size() {
    local wall="$E2E_TMP/sway/quarter.png" difference
    convert -size 640x480 xc:"#$RIGHT" -fill "#c04020" -draw 'rectangle 0,0 319,239' "$wall"
    chmod 644 "$wall"
    swaymsg output HEADLESS-1 transform 90 scale 1.5 bg "$wall" stretch >/dev/null
    wait_until 5 eval '[[ $(wl_row_ends 5 5 300) == "c04020 $RIGHT" ]]' ||
        fail "the wallpaper is not shown: $(wl_row_ends 5 5 300)"
    grim "$E2E_TMP/desktop.png"
    # 1 % a second: the frames stay within a few levels of the desktop.
    write_settings 264 1 0 0 1 $((0x0080FF)) 0 0 0 60
    start /s
    sleep 1.5
    grim "$E2E_TMP/saver.png"
    saver_running || fail "the program ended"
    difference() { compare -fuzz "$1" -metric AE "$E2E_TMP/desktop.png" "$E2E_TMP/saver.png" null: 2>&1 || true; }
    difference=$(difference 0)
    [[ $difference -gt 0 ]] || fail "the saver's frames are not on the output"
    difference=$(difference 3%)
    [[ $difference -eq 0 ]] || fail "$difference pixels differ from the desktop as it looked"
    swaymsg output HEADLESS-1 resolution 800x600 >/dev/null
    # Logically 400 x 533 now, beyond the snapshot: the wallpaper would show its blue there, the
    # saver's frame fades from black to orange.
    beyond_snapshot() { local c=$(wl_row_ends 390 520 2) && (($(channel "${c% *}" 2) < 0x10)); }
    wait_until 5 beyond_snapshot || fail "the new size is not covered: $(wl_row_ends 390 520 2)"
    saver_running || fail "the program ended at the new size"
}

key_click_and_move_end_it_after_the_grace_time_only() {
    local input
    # Each input with its own bit alone (key 32, left button 2, movement 16), the cursor hidden.
    for input in "288 wtype -s 400 a" "258 $WAYLAND_POINTER click" "272 $WAYLAND_POINTER move 30 30"; do
        orange_scene "${input%% *}"
        input=${input#* }
        start /s
        sleep 0.3
        $input
        expect_running "$input within the grace time"
        sleep_until 1700
        $input
        expect_ended "$input after the grace time"
    done
    orange_scene 290
    start /s
    sleep_until 1700
    "$WAYLAND_POINTER" move 30 30
    expect_running "a move that the settings ignore"
}

without_screencopy_it_starts_from_black_and_says_so() {
    orange_scene 264
    VELVETFADE_WITHHOLD=zwlr_screencopy_manager_v1 start /s
    sees 1 5 mixed 000000
    sees 1 6 is 000000
    [[ $(grep -c 'does not let programs read the screen' "$SAVER_LOG") -eq 1 ]] ||
        fail "no single message about the missing capture"
    local out
    out=$(VELVETFADE_WITHHOLD=zwlr_screencopy_manager_v1 QT_QPA_PLATFORM=wayland \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}:fast_unwind_on_malloc=0" timeout 3 "$VELVETFADE" --window 2>&1 || true)
    [[ $out == *"does not let programs read the screen"* ]] || fail "--window said nothing: $out"
}

without_layer_shell_full_screen_windows_cover_each_output() {
    orange_scene 264
    VELVETFADE_WITHHOLD=zwlr_layer_shell_v1 start /s
    sees 1 5 is "$ORANGE"
    sees 2 5 is "$ORANGE"
    [[ $(swaymsg -t get_tree | grep -c '"app_id": "velvetfade"') -eq 2 ]] ||
        fail "not one window an output: $(swaymsg -t get_tree)"
    # A window that opens meanwhile stays beneath.
    QT_QPA_PLATFORM=wayland "$VELVETFADE" /c >/dev/null 2>&1 &
    BG_PIDS+=($!)
    wait_until 10 eval 'swaymsg -t get_tree | grep -q "\"name\": \"Setting of Velvetfade\""' ||
        fail "no sheet on sway"
    sleep 0.5
    saver_running && [[ $(wl_pixel 1 320 240) == "$ORANGE" ]] || fail "a window came above the saver"
    # Given the focus, it would come above: the saver ends rather than go on unseen.
    swaymsg '[title="Setting of Velvetfade"] focus' >/dev/null
    expect_ended "another window took the focus"
    grep -q 'no overlay layer' "$SAVER_LOG" || fail "no message about the missing layer shell"
}

# The README's idle line, in seconds for minutes: the saver starts on idle, the lock screen comes
# on time with the desktop never showing between the two, and no saver starts while it is up.
the_idle_line_locks_over_the_saver_and_starts_none_under_the_lock() {
    local line LOCK=ff0000 seen start
    line=$(readme_commands swayidle)
    [[ $line == "swayidle "*"timeout 300 "*"timeout 600 'swaylock -f'"* ]] ||
        fail "the README's swayidle line is not where this test looks: $line"
    line=${line//Velvetfade/$VELVETFADE}
    line=${line/timeout 300/timeout 1}
    line=${line/timeout 600/timeout 3}
    line=${line//swaylock -f/swaylock -f -c $LOCK}
    # The orange scene held for a minute: the saver shows nothing else once it is in.
    write_settings 264 10 0 0 10 $((0x0080FF)) 0 0 0 60
    SAVER_LOG="$E2E_TMP/idle.log"
    eval "$line" >"$SAVER_LOG" 2>&1 &
    BG_PIDS+=($!)
    wait_until 5 eval '[[ $(wl_row_ends 20 20 641) == "$ORANGE $ORANGE" ]]' ||
        fail "the saver did not cover both outputs on idle: $(wl_row_ends 20 20 641)"
    start=$(now_ms)
    until [[ ${seen:=} == "$LOCK $LOCK" ]]; do
        seen=$(wl_row_ends 20 20 641)
        [[ $seen != *"$LEFT"* && $seen != *"$RIGHT"* ]] || fail "the desktop showed: $seen"
        (($(now_ms) - start < 5000)) || fail "no lock screen on top: $seen"
    done
    note "the lock screen came after $(($(now_ms) - start)) ms"
    wait_until 2 grep -q "the screen was locked" "$SAVER_LOG" || fail "the saver did not end"
    # Somebody at the lock screen, then idle again.
    "$WAYLAND_POINTER" move 30 30
    start=$(now_ms)
    while (($(now_ms) - start < 2500)); do
        [[ $(wl_row_ends 20 20 641) == "$LOCK $LOCK" ]] || fail "the lock screen was covered"
    done
    grep -q "does not start over the lock screen" "$SAVER_LOG" ||
        fail "no saver tried to start under the lock"
}

the_sheet_opens_on_qt_wayland_and_hosts_windows_need_x11() {
    # Qt's Wayland plugin leaves libwayland objects behind at exit; only a full unwind reaches
    # the Qt frames that the sanitizer's suppressions name.
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:fast_unwind_on_malloc=0" start /c
    wait_until 10 eval 'swaymsg -t get_tree | grep -q "\"name\": \"Setting of Velvetfade\""' ||
        fail "no sheet on sway: $(swaymsg -t get_tree)"
    # At the output's centre: the sheet, of fixed size, floats there.
    wait_until 5 eval '[[ $(wl_pixel 1 320 240) != $LEFT ]]' || fail "the sheet is not drawn"
    kill "$SAVER_PID"
    expect_ended "SIGTERM to the sheet"
    local out status=0
    out=$(timeout 10 "$VELVETFADE" --root 2>&1) || status=$?
    [[ $status -eq 1 && $out == *"need an X display"* ]] || fail "--root on Wayland: $status $out"
}

"$1"
