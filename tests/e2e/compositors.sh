#!/usr/bin/env bash
# End to end on the other wlroots compositors that run headless here, one row of the table a
# case: the saver covers every corner of both outputs with the scene (their desktops are black);
# where there is a lock screen, it comes above the saver without the desktop showing between.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sway.sh"

# compositor | command | lock screen | what it lacks
# phoc: wlroots' protocols, with its own stacking of layer surfaces.
# cage: a kiosk without the layer shell that gives every window the whole layout. It runs one
# program of its own; this one shows nothing and ends when cage does.
TABLE=(
    "phoc|phoc -C \$dir/phoc.ini|swaylock"
    "cage|cage -- sh -c 'while [ -S \"\$XDG_RUNTIME_DIR/\$WAYLAND_DISPLAY\" ]; do sleep 0.2; done'|"
)
row=$(printf '%s\n' "${TABLE[@]}" | grep "^$1|") || fail "no compositor $1 in the table"
IFS='|' read -r name command locker <<<"$row"
command -v "$name" >/dev/null || fail "$name is not installed (scripts/setup installs it)"
export XDG_CONFIG_HOME="$E2E_TMP/config"
unset XSCREENSAVER_WINDOW QT_QPA_PLATFORM
dir="$E2E_TMP/$name"
mkdir -p "$dir"
printf '[core]\nxwayland=false\n' >"$dir/phoc.ini"
chmod 644 "$dir/phoc.ini"
eval "run_headless \"\$dir\" 2 $command" || fail "$name did not start"
BG_PIDS+=("$SWAY_PID")
# Both outputs' size, side by side, as the compositor lays them out.
wait_until 10 eval '[[ $(grim -t ppm - 2>/dev/null | head -c 32 | sed -n 2p) == *" "* ]]' ||
    fail "$name shows nothing: $(cat "$dir/compositor.log")"
read -r WIDTH HEIGHT < <(grim -t ppm - | head -c 32 | sed -n 2p)
ORANGE=ff8000 LOCK=ff0000
corners() { echo "$(wl_row_ends 0 0 "$WIDTH") $(wl_row_ends 0 $((HEIGHT - 1)) "$WIDTH")"; }

# An orange scene faded in over a second, then held.
write_settings 264 10 0 0 10 $((0x0080FF)) 0 0 0 60
start_saver /s
wait_until 5 eval '[[ $(corners) == "$ORANGE $ORANGE $ORANGE $ORANGE" ]]' ||
    fail "not every output's every corner is covered: $(corners)"
if [[ -n $locker ]]; then
    "$locker" -c "$LOCK" >/dev/null 2>&1 &
    BG_PIDS+=($!)
    start=$(now_ms)
    until [[ ${seen:=} == "$LOCK $LOCK" ]]; do
        seen=$(wl_row_ends 0 0 "$WIDTH")
        [[ ${seen// /} =~ ^(($ORANGE|$LOCK)){2}$ ]] || fail "the desktop showed: $seen"
        (($(now_ms) - start < 5000)) || fail "no lock screen on top: $seen"
    done
fi
saver_running || fail "the saver ended by itself"
kill "$SAVER_PID"
expect_ended "SIGTERM"
