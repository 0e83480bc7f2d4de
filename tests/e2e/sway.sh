# Headless wlroots compositors for the Wayland tests and measurements, sway above all: the pixman
# renderer, no GPU, no display, no input devices (wtype and tests/tools/wayland_pointer bring
# their own). Sourced.

# run_headless DIR OUTPUTS COMMAND...: a wlroots compositor with that many headless outputs, on
# the pixman renderer, with runtime folder DIR/runtime. Such compositors refuse to run as root,
# so a root run hands it to "nobody"; our clients reach its socket all the same. Sets SWAY_PID
# (the compositor, or runuser before it), XDG_RUNTIME_DIR and WAYLAND_DISPLAY, and unsets
# DISPLAY; returns 1 when no socket came up.
run_headless() {
    local dir=$1 outputs=$2 _
    shift 2
    mkdir -p "$dir/runtime"
    # The compositor's user reaches its configuration and runtime folders through DIR and its
    # parent.
    chmod 755 "$dir" "$(dirname "$dir")"
    chmod 700 "$dir/runtime"
    local run_as=()
    if [[ $(id -u) -eq 0 ]]; then
        chown nobody "$dir/runtime"
        run_as=(runuser -u nobody --)
    fi
    "${run_as[@]}" env -i PATH="$PATH" XDG_RUNTIME_DIR="$dir/runtime" WLR_BACKENDS=headless \
        WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS="$outputs" \
        "$@" >"$dir/compositor.log" 2>&1 &
    SWAY_PID=$!
    export XDG_RUNTIME_DIR="$dir/runtime"
    unset DISPLAY
    for _ in $(seq 200); do
        WAYLAND_DISPLAY=$(compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]" | head -n1 || true)
        if [[ -n "$WAYLAND_DISPLAY" ]]; then
            export WAYLAND_DISPLAY=${WAYLAND_DISPLAY##*/}
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# start_sway DIR "WxH RRGGBB"...: headless sway with one output per argument, side by side, each
# painted in its colour by swaybg. Sets what run_headless sets, SWAYSOCK, and SWAY_SERVER_PID
# (sway itself). Returns 1 when sway did not come up with every output.
start_sway() {
    local dir=$1 x=0 i=1 desc _
    shift
    mkdir -p "$dir"
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
    run_headless "$dir" $# sway -c "$dir/sway.config" || return 1
    for _ in $(seq 200); do
        SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n1 || true)
        if [[ -n "$SWAYSOCK" ]] &&
            [[ $(SWAYSOCK=$SWAYSOCK swaymsg -t get_outputs -r 2>/dev/null | grep -c '"active": true') -eq $# ]]; then
            export SWAYSOCK
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
