#!/usr/bin/env bash
# End to end with the real host: XScreenSaver on Xvfb with only Velvetfade in its list, blanked
# and unblanked with xscreensaver-command. XScreenSaver will not run display modes as root, so
# a root test run hands it to the unprivileged user "nobody". The host runs a copy of
# $VELVETFADE, or with HOST_PROGRAM set (an installed program), that command.
source "$(dirname "$0")/lib.sh"

command -v xscreensaver >/dev/null || fail "xscreensaver is not installed (scripts/setup installs it)"

RUN_AS=()
HOST_USER=$(id -un)
if [[ $(id -u) -eq 0 ]]; then
    RUN_AS=(runuser -u nobody --)
    HOST_USER=nobody
fi

start_xvfb
two_colour_desktop
# An orange scene that fades in over about 3 s (4 frames a second, step 10), then holds.
write_settings 319 4 0 0 10 $((0x0080FF)) 0 0 0 5

# Everything the host's user reads: the program (a copy, so that the build tree's permissions
# do not matter), its settings, and a home with the host's configuration.
chmod 755 "$E2E_TMP"
mkdir -p "$E2E_TMP/bin" "$E2E_TMP/home" "$E2E_TMP/host-runtime"
if [[ -z "${HOST_PROGRAM:-}" ]]; then
    cp "$VELVETFADE" "$E2E_TMP/bin/Velvetfade"
    HOST_PROGRAM=$E2E_TMP/bin/Velvetfade
fi
cat >"$E2E_TMP/home/.xscreensaver" <<CONF
mode: one
selected: 0
lock: False
fade: False
unfade: False
splash: False
timeout: 0:30:00
cycle: 0:30:00
programs: "Velvetfade" $HOST_PROGRAM --root \\n
CONF
chmod -R a+rX "$E2E_TMP/bin" "$E2E_TMP/home" "$XDG_CONFIG_HOME"
chmod a+w "$E2E_TMP/home"
if [[ ${#RUN_AS[@]} -gt 0 ]]; then
    chown nobody "$E2E_TMP/host-runtime"
fi
chmod 700 "$E2E_TMP/host-runtime"

host() {
    "${RUN_AS[@]}" env HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" \
        XDG_RUNTIME_DIR="$E2E_TMP/host-runtime" DISPLAY="$DISPLAY" ASAN_OPTIONS=detect_leaks=0 \
        "$@"
}
stop_host() { host xscreensaver-command -exit >/dev/null 2>&1; }
CLEANUP_HOOKS+=(stop_host)

HOST_LOG="$E2E_TMP/xscreensaver.log"
host xscreensaver -no-splash -verbose >"$HOST_LOG" 2>&1 &
BG_PIDS+=($!)
wait_until 10 host xscreensaver-command -time || fail "XScreenSaver did not start: $(cat "$HOST_LOG")"
note "XScreenSaver is running"

# The pointer rests over the desktop, where the cursor shows.
xdotool mousemove 500 400
sleep 0.3
[[ $("$X11_TOOL" cursor) == visible* ]] || fail "no cursor over the desktop to begin with"

host xscreensaver-command -activate >/dev/null
wait_until 10 xdotool search --onlyvisible --name '^Velvetfade$' ||
    fail "Velvetfade did not appear: $(tail -20 "$HOST_LOG")"
SAVER_WIN=$(xdotool search --onlyvisible --name '^Velvetfade$' | head -n1)
SHOWN_AT=$(now_ms)
SAVER_PID=$(pgrep -n -u "$HOST_USER" -x Velvetfade || true)
[[ -n "$SAVER_PID" ]] || fail "no Velvetfade process"
note "Velvetfade runs as $(ps -o user=,args= -p "$SAVER_PID")"
tr '\0' '\n' <"/proc/$SAVER_PID/environ" | grep -q '^XSCREENSAVER_WINDOW=' ||
    fail "the host did not hand over its window"

# It fills the host's window on the whole screen and starts from the captured desktop (the host
# has covered the real one by now): early in the fade its blue (0xcc) outweighs orange's (0x00).
expect_geometry "0 0 $SCREEN_W $SCREEN_H"
first=$(first_look 10 10 000000)
(($((16#${first:4:2})) > 0x66)) || fail "the show did not start from the captured desktop ($first)"
wait_pixel 10 10 ff8000 10
expect_pixel $((SCREEN_W - 10)) $((SCREEN_H - 10)) ff8000
# The host hides the cursor while it blanks, and the show leaves it so.
[[ $("$X11_TOOL" cursor) == blank ]] || fail "the cursor shows over the show"

host xscreensaver-command -deactivate >/dev/null
wait_until 5 process_gone "$SAVER_PID" || fail "Velvetfade still runs after -deactivate"
note "Velvetfade ended after -deactivate"
grep -a "Velvetfade" "$HOST_LOG" | sed 's/^/   /'
wait_pixel 10 10 "$LEFT_COLOR" 5
