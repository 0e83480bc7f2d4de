#!/usr/bin/env bash
# End to end with the real host: XScreenSaver on Xvfb, set up by the README's commands, copied
# from the README itself so that they cannot drift, on a home without ~/.xscreensaver and then
# on one that XScreenSaver's own dialog wrote; blanked and unblanked with xscreensaver-command,
# and undone by the README's command. XScreenSaver will not run display modes as root, so a root
# test run hands it to the unprivileged user "nobody". It runs "velvetfade" from the PATH: a copy
# of $VELVETFADE with its lower-case link, or with INSTALLED=1 the installed program.
source "$(dirname "$0")/lib.sh"

command -v xscreensaver >/dev/null || fail "xscreensaver is not installed (scripts/setup installs it)"

SETUP=$(readme_commands xscreensaver-setup)
UNDO=$(readme_commands xscreensaver-undo)
[[ "$SETUP" == *"velvetfade --root"* && "$UNDO" == *before-velvetfade* ]] ||
    fail "the README's XScreenSaver steps are not where this test looks: $SETUP / $UNDO"

RUN_AS=()
HOST_USER=$(id -un)
mkdir -p "$E2E_TMP/bin" "$E2E_TMP/home" "$E2E_TMP/host-runtime"
if [[ $(id -u) -eq 0 ]]; then
    RUN_AS=(runuser -u nobody --)
    HOST_USER=nobody
    chown nobody "$E2E_TMP/host-runtime"
fi

start_xvfb
two_colour_desktop
# An orange scene that fades in over about 3 s (4 frames a second, step 10), then holds.
write_settings 319 4 0 0 10 $((0x0080FF)) 0 0 0 5

# Everything the host's user reads: the program (a copy with its link, as the package installs
# them, so that the build tree's permissions do not matter), its settings, and a home.
chmod 755 "$E2E_TMP"
if [[ "${INSTALLED:-}" != 1 ]]; then
    cp "$VELVETFADE" "$E2E_TMP/bin/Velvetfade"
    ln -s Velvetfade "$E2E_TMP/bin/velvetfade"
fi
chmod -R a+rX "$E2E_TMP/bin" "$E2E_TMP/home" "$XDG_CONFIG_HOME"
chmod a+w "$E2E_TMP/home"
chmod 700 "$E2E_TMP/host-runtime"

host() {
    "${RUN_AS[@]}" env HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" \
        XDG_RUNTIME_DIR="$E2E_TMP/host-runtime" DISPLAY="$DISPLAY" ASAN_OPTIONS=detect_leaks=0 \
        PATH="$E2E_TMP/bin:$PATH" "$@"
}
stop_host() { host xscreensaver-command -exit >/dev/null 2>&1; }
CLEANUP_HOOKS+=(stop_host)

HOST_LOG="$E2E_TMP/xscreensaver.log"
host xscreensaver -no-splash -verbose >"$HOST_LOG" 2>&1 &
BG_PIDS+=($!)
wait_until 10 host xscreensaver-command -time || fail "XScreenSaver did not start: $(cat "$HOST_LOG")"

# blank_and_unblank: the README's way to try it; the show must be ours, from the desktop.
blank_and_unblank() {
    # The pointer rests over the desktop, where the cursor shows.
    xdotool mousemove 500 400
    sleep 0.3
    [[ $("$X11_TOOL" cursor) == visible* ]] || fail "no cursor over the desktop to begin with"

    host xscreensaver-command -activate >/dev/null
    wait_until 10 xdotool search --onlyvisible --name '^Velvetfade$' ||
        fail "Velvetfade did not appear: $(tail -20 "$HOST_LOG")"
    SAVER_WIN=$(xdotool search --onlyvisible --name '^Velvetfade$' | head -n1)
    SHOWN_AT=$(now_ms)
    SAVER_PID=$(pgrep -n -u "$HOST_USER" -x velvetfade || true)
    [[ -n "$SAVER_PID" ]] || fail "no velvetfade process"
    note "velvetfade runs as $(ps -o user=,args= -p "$SAVER_PID")"
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
    wait_until 5 process_gone "$SAVER_PID" || fail "velvetfade still runs after -deactivate"
    note "velvetfade ended after -deactivate"
    wait_pixel 10 10 "$LEFT_COLOR" 5
}

readme_setup() { host bash -euc "$SETUP" || fail "the README's setup failed"; }
readme_undo() { host bash -euc "$UNDO" || fail "the README's undo failed"; }

# A home without ~/.xscreensaver, as XScreenSaver leaves it until its dialog changes something.
readme_setup
blank_and_unblank
readme_undo
! grep -qi velvetfade "$E2E_TMP/home/.xscreensaver" || fail "the undo left velvetfade in the list"

# A home whose file XScreenSaver's dialog wrote: random mode, its own fade, an old entry of ours
# (as the earlier README had it) disabled among others. The setup runs twice, as people do.
printf '%s\n' '# Written by xscreensaver-settings' 'timeout:\t0:10:00' 'mode:\t\trandom' \
    'selected:\t2' 'fade:\t\tTrue' 'programs:\t\t\t\t      \' \
    $'\t\t\t\tmaze --root\t\t\t\t    \\n\\' $'-\t\t\t\tVelvetfade --root\t\t    \\n\\' \
    $'- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\' '' 'lock:\t\tFalse' \
    >"$E2E_TMP/home/.xscreensaver"
cp "$E2E_TMP/home/.xscreensaver" "$E2E_TMP/dialog-written"
chmod a+rw "$E2E_TMP/home/.xscreensaver"
readme_setup
readme_setup
[[ $(grep -ci velvetfade "$E2E_TMP/home/.xscreensaver") -eq 1 ]] ||
    fail "the setup did not leave one entry: $(cat "$E2E_TMP/home/.xscreensaver")"
blank_and_unblank
readme_undo
cmp -s "$E2E_TMP/home/.xscreensaver" "$E2E_TMP/dialog-written" ||
    fail "the undo did not put the file back: $(diff "$E2E_TMP/dialog-written" "$E2E_TMP/home/.xscreensaver")"
echo "PASS: the README's steps"
