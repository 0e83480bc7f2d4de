# Headless sway for the Wayland tests and measurements: the pixman renderer, no GPU, no display,
# no input devices (wtype and tests/tools/wayland_pointer bring their own). Sourced.

# start_sway DIR "WxH RRGGBB"...: one output per argument, side by side, each painted in its
# colour by swaybg. Sway refuses to run as root, so a root run hands it to "nobody"; our clients
# reach its socket all the same. Sets SWAY_PID, WAYLAND_DISPLAY, SWAYSOCK and XDG_RUNTIME_DIR,
# and unsets DISPLAY; SWAY_SERVER_PID is sway itself (SWAY_PID may be runuser's). Returns 1 when
# sway did not come up.
start_sway() {
    local dir=$1 x=0 i=1 desc
    shift
    mkdir -p "$dir/runtime"
    # Sway's user reaches its configuration and runtime folders through DIR and its parent.
    chmod 755 "$dir" "$(dirname "$dir")"
    chmod 700 "$dir/runtime"
    {
        for desc in "$@"; do
            echo "output HEADLESS-$i resolution ${desc% *} position $x 0 bg #${desc#* } solid_color"
            x=$((x + ${desc%%x*}))
            i=$((i + 1))
        done
        # Nothing but the desktop: no bar, no borders, no X server.
        echo "default_border none"
        echo "xwayland disable"
    } >"$dir/sway.config"
    chmod 644 "$dir/sway.config"
    local run_as=()
    if [[ $(id -u) -eq 0 ]]; then
        chown nobody "$dir/runtime"
        run_as=(runuser -u nobody --)
    fi
    "${run_as[@]}" env -i PATH="$PATH" XDG_RUNTIME_DIR="$dir/runtime" WLR_BACKENDS=headless \
        WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=$# \
        sway -c "$dir/sway.config" >"$dir/sway.log" 2>&1 &
    SWAY_PID=$!
    export XDG_RUNTIME_DIR="$dir/runtime"
    unset DISPLAY
    local _
    for _ in $(seq 200); do
        SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n1 || true)
        WAYLAND_DISPLAY=$(compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]" | head -n1 || true)
        if [[ -n "$SWAYSOCK" && -n "$WAYLAND_DISPLAY" ]] &&
            [[ $(SWAYSOCK=$SWAYSOCK swaymsg -t get_outputs -r 2>/dev/null | grep -c '"active": true') -eq $# ]]; then
            export SWAYSOCK WAYLAND_DISPLAY=${WAYLAND_DISPLAY##*/}
            SWAY_SERVER_PID=$(pgrep -P "$SWAY_PID" || echo "$SWAY_PID")
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# wl_row_ends X Y W: the colours at (X, Y) and (X + W - 1, Y) of the whole layout, as
# "rrggbb rrggbb"; one capture of one row, quick enough to sample the screen as it changes.
wl_row_ends() {
    grim -g "$1,$2 ${3}x1" -t ppm - 2>/dev/null | tail -c $((3 * $3)) | od -An -v -tx1 |
        tr -d ' \n' | sed -E 's/^(.{6}).*(.{6})$/\1 \2/'
}

# wl_pixel OUTPUT X Y: that output's colour there as rrggbb, read with grim (screencopy).
wl_pixel() {
    grim -o "HEADLESS-$1" -t ppm - 2>/dev/null |
        convert ppm:- -crop "1x1+$2+$3" -depth 8 txt:- | awk 'NR == 2 {print tolower(substr($3, 2, 6))}'
}
