#!/usr/bin/env bash
# The README's run command as a newcomer meets it: scripts/run without a display, in the tree
# given (default: this checkout). It must end with status 0 and nothing alarming said, and leave
# frames that really fade — away from the captured screen and back — and a small animation.
set -euo pipefail
tree=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
shots="$tree/screenshots"
out=$(mktemp)
trap 'rm -f "$out"' EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- scripts/run said ---" >&2
    cat "$out" >&2
    exit 1
}

status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$tree/scripts/run" >"$out" 2>&1 || status=$?
((status == 0)) || fail "scripts/run ended with status $status"
if grep -Eiq 'connection broke|error|unable|warning' "$out"; then
    fail "scripts/run printed an error"
fi
grep -qx "The fade as one animation: $shots/fade.gif" "$out" || fail "the animation's path was not printed"

frames=("$shots"/frame-*.png)
((${#frames[@]} >= 24)) || fail "only ${#frames[@]} frames"
first=${frames[0]} middle=${frames[${#frames[@]} / 2]} last=${frames[-1]}

# Root-mean-square difference of two pictures, 0 (the same) to 1.
difference() {
    { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'
}
away=$(difference "$first" "$middle")
back=$(difference "$first" "$last")
awk -v d="$away" 'BEGIN { exit !(d > 0.05) }' || fail "the middle frame hardly differs from the first ($away)"
awk -v d="$back" 'BEGIN { exit !(d < 0.02) }' || fail "the last frame did not come back to the first ($back)"

gif="$shots/fade.gif"
[[ -s "$gif" ]] || fail "no animation"
size=$(stat -c %s "$gif")
((size <= 400 * 1024)) || fail "the animation is $size bytes"
count=$(identify "$gif" | wc -l)
((count >= 10)) || fail "the animation has $count frames"
echo "PASS: scripts/run without a display: ${#frames[@]} frames (away $away, back $back), $gif of $size bytes in $count frames"
