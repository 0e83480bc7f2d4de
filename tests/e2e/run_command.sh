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
grep -q "^The fades as one animation: $shots/fade.webp (" "$out" || fail "the animation's path was not printed"

frames=("$shots"/frame-*.png)
((${#frames[@]} >= 24)) || fail "only ${#frames[@]} frames"
# A fade into a gradation, then one into a picture: a quarter and three quarters of the way
# through, the scenes are on the screen.
first=${frames[0]} last=${frames[-1]}

# Root-mean-square difference of two pictures, 0 (the same) to 1.
difference() {
    { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'
}
back=$(difference "$first" "$last")
quarter=${frames[${#frames[@]} / 4]} three=${frames[${#frames[@]} * 3 / 4]}
away=$(difference "$first" "$quarter")
picture=$(difference "$first" "$three")
awk -v d="$away" 'BEGIN { exit !(d > 0.05) }' || fail "a quarter of the way the frame hardly differs from the first ($away)"
awk -v d="$picture" 'BEGIN { exit !(d > 0.05) }' || fail "three quarters of the way the frame hardly differs from the first ($picture)"
awk -v d="$back" 'BEGIN { exit !(d < 0.02) }' || fail "the last frame did not come back to the first ($back)"

animation="$shots/fade.webp"
[[ -s "$animation" ]] || fail "no animation"
size=$(stat -c %s "$animation")
((size <= 1024 * 1024)) || fail "the animation is $size bytes"
count=$(identify "$animation" | wc -l)
((count >= 40)) || fail "the animation has $count frames"
echo "PASS: scripts/run without a display: ${#frames[@]} frames (away $away and $picture, back $back), $animation of $size bytes in $count frames"
