#!/usr/bin/env bash
# End to end, --idle on each desktop that runs here, one row of the table a case: the saver
# starts after the idle time and not before, from the desktop as it was; input ends it, and it
# starts again after the next idle time; ending the watch ends its saver.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sway.sh"

DESKTOP=3366cc ORANGE=ff8000
case $1 in
    x11)
        start_xvfb
        start_host_window 0 0 "$SCREEN_W" "$SCREEN_H" "0x$DESKTOP"
        source_name="as the X server counts it"
        colour() { pixel 20 20; }
        activity() { xdotool mousemove 40 40 && sleep 0.1 && xdotool mousemove 60 60; }
        ;;
    sway)
        start_sway "$E2E_TMP/sway" "640x480 $DESKTOP" || fail "sway did not start"
        BG_PIDS+=("$SWAY_PID")
        export XDG_CONFIG_HOME="$E2E_TMP/config"
        source_name="as the compositor tells (org_kde_kwin_idle)"
        colour() { wl_pixel 1 20 20; }
        activity() { "$WAYLAND_POINTER" move 30 30; }
        ;;
    *) fail "no desktop $1 here" ;;
esac
wait_until 5 eval '[[ $(colour) == $DESKTOP ]]' || fail "the desktop shows $(colour)"

# An orange scene faded in over a second, then held; pointer movement ends it.
write_settings $((0x138)) 10 0 0 10 $((0x0080FF)) 0 0 0 60
savers() { pgrep -P "$SAVER_PID" || true; }
start_saver --idle 2
wait_until 2 grep -q "starts the saver after 2 s idle, $source_name" "$SAVER_LOG" ||
    fail "the watch did not start as expected"
STARTED=$(now_ms)

# Not before the idle time: at 1.2 s the desktop shows and no saver runs.
sleep 1.2
[[ -z $(savers) && $(colour) == "$DESKTOP" ]] || fail "a saver before the idle time: $(savers)"
wait_until 3 eval '[[ -n $(savers) ]]' || fail "no saver after the idle time"
first=$(savers)
note "the saver started $(($(now_ms) - STARTED)) ms after the watch"
wait_until 4 eval '[[ $(colour) == $ORANGE ]]' || fail "the saver shows $(colour)"

# Input ends it (after its grace time), the desktop shows again, and the next idle time starts
# another.
sleep 1
activity
wait_until 3 eval '[[ -z $(savers) && $(colour) == $DESKTOP ]]' ||
    fail "input did not end the saver: $(savers), $(colour)"
wait_until 4 eval '[[ -n $(savers) ]]' || fail "no saver after the second idle time"
second=$(savers)
[[ $second != "$first" ]] || fail "the same saver"
wait_until 4 eval '[[ $(colour) == $ORANGE ]]' || fail "the second saver shows $(colour)"

# Ending the watch ends its saver too.
kill -TERM "$SAVER_PID"
wait_until 4 process_gone "$second" || fail "the saver outlived the watch"
wait_until 4 eval '[[ $(colour) == $DESKTOP ]]' || fail "the screen shows $(colour)"
