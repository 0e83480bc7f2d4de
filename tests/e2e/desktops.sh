# Headless Mutter (GNOME) and KWin (KDE Plasma) for the end-to-end tests, each with a session
# bus and a PipeWire of its own, as a desktop session has them. Sourced after lib.sh.

_desk_spawn() { # LOG COMMAND...: in the background, ended by lib.sh's cleanup
    "${@:2}" >"$1" 2>&1 &
    BG_PIDS+=($!)
}

_desk_name_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# desk_session DIR: a session bus, PipeWire and WirePlumber (which links a reader to a
# screencast) in DIR/runtime, with a home and data folder of their own. As root, PipeWire and
# KWin would raise their own priority over everything else on the machine; they are kept from
# it (others cannot).
desk_session() {
    local dir=$1
    mkdir -p "$dir/runtime" "$dir/home" "$dir/data/applications"
    chmod 700 "$dir/runtime"
    unset WAYLAND_DISPLAY DISPLAY
    export XDG_RUNTIME_DIR="$dir/runtime" PIPEWIRE_RUNTIME_DIR="$dir/runtime"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/runtime/bus"
    DESK_ENV=()
    [[ $(id -u) -eq 0 ]] && DESK_ENV=(setpriv --bounding-set -sys_nice)
    DESK_ENV+=(env HOME="$dir/home"
        XDG_CONFIG_HOME="$dir/home/.config" XDG_DATA_HOME="$dir/home/.local/share"
        XDG_CACHE_HOME="$dir/home/.cache" XDG_DATA_DIRS="$dir/data:/usr/local/share:/usr/share")
    _desk_spawn "$dir/dbus.log" "${DESK_ENV[@]}" dbus-daemon --session --nofork \
        --address="$DBUS_SESSION_BUS_ADDRESS"
    wait_until 5 _desk_name_owned org.freedesktop.DBus || return 1
    _desk_spawn "$dir/pipewire.log" "${DESK_ENV[@]}" pipewire
    wait_until 5 test -S "$dir/runtime/pipewire-0" || return 1
    _desk_spawn "$dir/wireplumber.log" "${DESK_ENV[@]}" wireplumber
    wait_until 5 eval 'pw-cli ls Client | grep -q WirePlumber'
}

# start_mutter DIR WxH...: headless Mutter with a virtual monitor of each size, ready once it
# offers its screencast.
start_mutter() {
    local dir=$1 size monitors=()
    shift
    for size in "$@"; do monitors+=(--virtual-monitor "$size"); done
    desk_session "$dir" || return 1
    _desk_spawn "$dir/compositor.log" "${DESK_ENV[@]}" mutter --headless --wayland --no-x11 \
        --wayland-display wayland-0 "${monitors[@]}"
    wait_until 15 test -S "$dir/runtime/wayland-0" || return 1
    wait_until 15 _desk_name_owned org.gnome.Mutter.ScreenCast || return 1
    export WAYLAND_DISPLAY=wayland-0
}

# start_kwin DIR WxH [OPTION...]: KWin on a virtual output, ready once it offers its screenshots.
# The packaged binary carries a file capability that containers may refuse to run; a copy
# without it runs.
start_kwin() {
    local dir=$1 size=$2
    shift 2
    desk_session "$dir" || return 1
    mkdir -p "$dir/bin"
    cp /usr/bin/kwin_wayland "$dir/bin/kwin_wayland"
    _desk_spawn "$dir/compositor.log" "${DESK_ENV[@]}" "$dir/bin/kwin_wayland" --virtual \
        --width "${size%x*}" --height "${size#*x}" --socket wayland-0 "$@"
    wait_until 15 test -S "$dir/runtime/wayland-0" || return 1
    wait_until 15 _desk_name_owned org.kde.KWin.ScreenShot2 || return 1
    export WAYLAND_DISPLAY=wayland-0
}

# kwin_entry DIR EXECUTABLE [DESKTOP_FILE]: installs a desktop entry for that executable where
# KWin looks (DIR/data), as a package installs one: KWin grants its screenshots and restricted
# protocols to the program whose entry names it by absolute path and asks for them. The entry
# is DESKTOP_FILE with its Exec pointed there, or one asking for the screenshots. Before
# start_kwin: KWin looks for new entries only now and then.
kwin_entry() {
    local exe
    exe=$(readlink -f "$2")
    mkdir -p "$1/data/applications"
    if [[ -n ${3:-} ]]; then
        sed "s|^Exec=[^ ]*|Exec=$exe|" "$3"
    else
        printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s\n%s\n' "${exe##*/}" "$exe" \
            "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2"
    fi >"$1/data/applications/${exe##*/}.desktop"
}
