#!/usr/bin/env bash
# End to end, --idle on each desktop that runs here, one row of the table a case: the saver
# starts after the idle time and not before, and fades from the desktop as it was (read through
# the desktop's own way where there is no screencopy); input ends it, and it starts again after
# the next idle time; ending the watch ends its saver. KWin's row has no input to give.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sway.sh"
source "$(dirname "$0")/desktops.sh"

# The outputs' desktops (Mutter has two monitors): red and blue add up to ff in each, and so in
# every mix of one with the orange scene, but not in a mix of black with it.
DESKTOPS=(3366cc) ORANGE=ff8000
case $1 in
    x11)
        start_xvfb
        start_host_window 0 0 "$SCREEN_W" "$SCREEN_H" "0x${DESKTOPS[0]}"
        source_name="as the X server counts it"
        colour() { pixel 20 20; }
        activity() { xdotool mousemove 40 40 && sleep 0.1 && xdotool mousemove 60 60; }
        ;;
    sway)
        start_sway "$E2E_TMP/sway" "640x480 ${DESKTOPS[0]}" || fail "sway did not start"
        BG_PIDS+=("$SWAY_PID")
        export XDG_CONFIG_HOME="$E2E_TMP/config"
        source_name="as the compositor tells (org_kde_kwin_idle)"
        colour() { wl_pixel 1 20 20; }
        activity() { "$WAYLAND_POINTER" move 30 30; }
        ;;
    mutter | kwin)
        if [[ $1 == mutter ]]; then
            DESKTOPS+=(cc6633)
            start_mutter "$E2E_TMP/desk" 640x480 320x240 || fail "mutter did not start: $(cat "$E2E_TMP"/desk/*.log)"
            source_name="as GNOME counts it"
            activity() { "$DESKTOP_TOOL" move; }
        else
            # KWin lets the program read the screen through the entry the package installs.
            kwin_entry "$E2E_TMP/desk" "$VELVETFADE" "$(dirname "$0")/../../res/desktop/velvetfade.desktop.in"
            kwin_entry "$E2E_TMP/desk" "$DESKTOP_TOOL"
            start_kwin "$E2E_TMP/desk" 640x480 --no-lockscreen || fail "kwin did not start: $(cat "$E2E_TMP"/desk/*.log)"
            source_name="as the compositor tells (ext_idle_notifier_v1)"
        fi
        export XDG_CONFIG_HOME="$E2E_TMP/config"
        "$DESKTOP_TOOL" paint "${DESKTOPS[@]}" >"$E2E_TMP/paint.log" 2>&1 &
        BG_PIDS+=($!)
        colour() { "$DESKTOP_TOOL" pixel 20 20 2>/dev/null; }
        ;;
    *) fail "no desktop $1 here" ;;
esac
DESKTOP="${DESKTOPS[*]}" ORANGES=$(printf "$ORANGE %.0s" "${DESKTOPS[@]}")
ORANGES=${ORANGES% }
wait_until 5 eval '[[ $(colour) == $DESKTOP ]]' || fail "the desktop shows $(colour)"

# An orange scene faded in over two and a half seconds, then held; pointer movement ends it.
write_settings $((0x138)) 10 0 0 4 $((0x0080FF)) 0 0 0 60
savers() { pgrep -P "$SAVER_PID" || true; }
# fades_from_desktop: waits for orange on every output; every colour on the way must mix that
# output's own desktop (red only rises from it) rather than black or another output's.
fades_from_desktop() {
    local c mixes=0 i cs
    for _ in $(seq 100); do
        c=$(colour)
        [[ $c == "$ORANGES" ]] && break
        read -r -a cs <<<"$c"
        for i in "${!DESKTOPS[@]}"; do
            c=${cs[i]:-}
            [[ $c == "${DESKTOPS[i]}" || $c == "$ORANGE" || -z $c ]] && continue
            ((${#c} == 6 && $((0x${c:0:2} + 0x${c:4:2} - 255)) ** 2 <= 36 &&
                0x${c:0:2} >= 0x${DESKTOPS[i]:0:2} - 6)) ||
                fail "output $((i + 1)) did not fade from its desktop: $c"
            ((++mixes))
        done
        sleep 0.05
    done
    [[ $(colour) == "$ORANGES" ]] || fail "the saver shows $(colour)"
    ((mixes > 0)) || fail "no step of the fade was seen"
    note "$mixes steps of the fade from the desktop seen"
}
start_saver --idle 2
wait_until 2 grep -q "starts the saver after 2 s idle, $source_name" "$SAVER_LOG" ||
    fail "the watch did not start as expected"
# Counted from the user's last input (GNOME's and the X server's counters) or from the start of
# the watch (the compositors' word), whichever came last.
[[ $(type -t activity) == function ]] && activity
STARTED=$(now_ms)

# Not before the idle time: at 1.2 s the desktop shows and no saver runs.
sleep 1.2
[[ -z $(savers) && $(colour) == "$DESKTOP" ]] || fail "a saver before the idle time: $(savers)"
wait_until 3 eval '[[ -n $(savers) ]]' || fail "no saver after the idle time"
first=$(savers)
note "the saver started $(($(now_ms) - STARTED)) ms after the watch"
fades_from_desktop
if [[ $(type -t activity) != function ]]; then
    kill -TERM "$SAVER_PID"
    wait_until 4 process_gone "$first" || fail "the saver outlived the watch"
    exit 0
fi

# Input ends it (after its grace time), the desktop shows again, and the next idle time starts
# another.
sleep 1
activity
wait_until 3 eval '[[ -z $(savers) && $(colour) == $DESKTOP ]]' ||
    fail "input did not end the saver: $(savers), $(colour)"
wait_until 4 eval '[[ -n $(savers) ]]' || fail "no saver after the second idle time"
second=$(savers)
[[ $second != "$first" ]] || fail "the same saver"
fades_from_desktop

# GNOME: while something holds the session from going idle (a video playing) no saver starts;
# once it lets go, one does. While the session is locked none does: it sees the lock and ends.
serve() { # serve WHAT: desktop_tool's stand-in for that part of GNOME; its PID in SERVED
    "$DESKTOP_TOOL" "$1" >"$E2E_TMP/$1.log" 2>&1 &
    SERVED=$!
    BG_PIDS+=("$SERVED")
    wait_until 3 grep -q serving "$E2E_TMP/$1.log" || fail "no $1: $(cat "$E2E_TMP/$1.log")"
}
if [[ $1 == mutter ]]; then
    serve inhibit
    activity
    wait_until 3 eval '[[ -z $(savers) ]]' || fail "input did not end the saver"
    sleep 3.5
    [[ -z $(savers) ]] || fail "a saver while the session is held from going idle"
    kill "$SERVED"
    wait_until 3 eval '[[ -n $(savers) ]]' || fail "no saver once the session may go idle"
    fades_from_desktop # and past its grace time, so that input ends it
    serve lock
    activity
    wait_until 4 grep -q "the screen is locked (org.gnome.ScreenSaver says so)" "$SAVER_LOG" ||
        fail "a saver started over the lock"
    wait_until 2 eval '[[ -z $(savers) ]]' || fail "the saver under the lock still runs"
    [[ $(colour) == "$DESKTOP" ]] || fail "the lock's desktop shows $(colour)"
    kill "$SERVED"
    activity
fi

# Ending the watch ends its saver too.
wait_until 4 eval '[[ -n $(savers) ]]' || fail "no saver to end"
last=$(savers)
kill -TERM "$SAVER_PID"
wait_until 4 process_gone "$last" || fail "the saver outlived the watch"
wait_until 4 eval '[[ $(colour) == $DESKTOP ]]' || fail "the screen shows $(colour)"
