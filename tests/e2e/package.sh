#!/usr/bin/env bash
# The Debian package: built with CPack from this build, checked, installed with dpkg, and the
# installed program started on a private Xvfb display by its desktop entry and by XScreenSaver;
# removed again at the end. Needs root (or sudo without a password) and a machine where no
# velvetfade package is installed yet; otherwise it is skipped (exit 77).
source "$(dirname "$0")/lib.sh"

[[ -n "${BUILD_DIR:-}" ]] || fail "BUILD_DIR is not set"
SUDO=()
if [[ $(id -u) -ne 0 ]]; then
    if ! sudo -n true 2>/dev/null; then
        echo "skipped: installing a package needs root or sudo without a password"
        exit 77
    fi
    SUDO=(sudo -n)
fi
if dpkg-query -W -f='${Status}' velvetfade 2>/dev/null | grep -q 'ok installed'; then
    echo "skipped: a velvetfade package is installed already, and this test would replace it"
    exit 77
fi

# Built.
(cd "$BUILD_DIR" && cpack -G DEB -B "$E2E_TMP/package" >"$E2E_TMP/cpack.log" 2>&1) ||
    fail "cpack failed: $(cat "$E2E_TMP/cpack.log")"
DEB=$(ls "$E2E_TMP"/package/velvetfade_*.deb)
note "built $(basename "$DEB")"

# What it declares and holds.
depends=$(dpkg-deb -f "$DEB" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libxcb1 libjpeg62-turbo; do
    [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[[ "$(dpkg-deb -f "$DEB" Recommends)" == *xscreensaver* ]] || fail "xscreensaver is not recommended"
dpkg-deb -x "$DEB" "$E2E_TMP/root"
for path in usr/bin/Velvetfade usr/bin/velvetfade usr/share/applications/velvetfade.desktop \
    usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/velvetfade.png \
    usr/share/xscreensaver/config/velvetfade.xml usr/share/man/man6/{V,v}elvetfade.6.gz \
    usr/share/doc/velvetfade/{copyright,changelog.gz} usr/share/velvetfade/velvetfade-idle.desktop; do
    [[ -s "$E2E_TMP/root/$path" ]] || fail "the package lacks /$path"
done
desktop-file-validate "$E2E_TMP"/root/usr/share/{applications/velvetfade.desktop,velvetfade/velvetfade-idle.desktop} ||
    fail "the desktop entries are not valid"
# What Debian and software centres would say of it: nothing.
lintian=$(lintian --tag-display-limit 0 "$DEB" 2>&1 | grep -v 'running with root privileges') || true
[[ -z "$lintian" ]] || fail "lintian: $lintian"
appstreamcli validate --no-net "$E2E_TMP"/root/usr/share/metainfo/*.metainfo.xml >"$E2E_TMP/as.log" 2>&1 ||
    fail "appstreamcli: $(cat "$E2E_TMP/as.log")"
grep -qx 'Name=Velvetfade' "$E2E_TMP/root/usr/share/applications/velvetfade.desktop" ||
    fail "the desktop entry is not named Velvetfade"
grep -q '<screensaver name="velvetfade"' "$E2E_TMP/root/usr/share/xscreensaver/config/velvetfade.xml" ||
    fail "the XScreenSaver description does not name the program"
warnings=$(MANWIDTH=80 man --warnings -l "$E2E_TMP/root/usr/share/man/man6/Velvetfade.6.gz" 2>&1 >"$E2E_TMP/man.txt")
[[ -z "$warnings" ]] || fail "the manual page has warnings: $warnings"
grep -q -- '--window-id' "$E2E_TMP/man.txt" || fail "the manual page does not show the options"

# Installed.
remove_package() { "${SUDO[@]}" dpkg -r velvetfade >/dev/null 2>&1; }
CLEANUP_HOOKS+=(remove_package)
"${SUDO[@]}" dpkg -i "$DEB" >"$E2E_TMP/dpkg.log" 2>&1 || fail "dpkg -i failed: $(cat "$E2E_TMP/dpkg.log")"
[[ "$(dpkg-query -W -f='${Status}' velvetfade)" == "install ok installed" ]] ||
    fail "the package is not installed: $(cat "$E2E_TMP/dpkg.log")"
[[ "$(command -v velvetfade)" == /usr/bin/velvetfade ]] || fail "velvetfade is not on the PATH"
note "installed: $(dpkg-query -W -f='${Package} ${Version}' velvetfade)"

start_xvfb
# The desktop entry's command opens the settings.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/velvetfade.desktop | head -n1)
[[ "$exec_line" == "/usr/bin/Velvetfade /c" ]] || fail "the desktop entry runs $exec_line"
read -r -a entry_command <<<"$exec_line"
VELVETFADE=${entry_command[0]}
start_saver "${entry_command[@]:1}"
wait_until 5 xdotool search --onlyvisible --name 'Velvetfade' || fail "the settings did not open"
note "the settings opened: $(xdotool getwindowname "$(xdotool search --onlyvisible --name Velvetfade | head -n1)")"
kill -TERM "$SAVER_PID"
expect_ended "SIGTERM with the settings open"

# The README's autostart steps, literally, in a home of its own: the copied entry starts the
# idle watch on the display.
(HOME="$E2E_TMP/home" && mkdir -p "$HOME" && eval "$(readme_commands autostart)") ||
    fail "the README's autostart steps failed"
exec_line=$(sed -n 's/^Exec=//p' "$E2E_TMP/home/.config/autostart/velvetfade-idle.desktop")
read -r -a entry_command <<<"$exec_line"
VELVETFADE=${entry_command[0]}
start_saver "${entry_command[@]:1}"
wait_until 5 grep -q "starts the saver after 300 s idle" "$SAVER_LOG" ||
    fail "the autostart entry does not start the watch: $(cat "$SAVER_LOG")"
kill -TERM "$SAVER_PID"
expect_ended "SIGTERM to the idle watch"

# And XScreenSaver runs the installed program by its name, as a user's list would have it.
INSTALLED=1 bash "$(dirname "$0")/xscreensaver.sh" || fail "the installed program under XScreenSaver"
