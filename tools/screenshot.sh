#!/usr/bin/env bash
# Takes a screenshot of Brindlow's main dialog on the current X display: starts the program
# under Wine, waits for its dialog to show and settle, grabs the screen, closes the program.
# Usage: tools/screenshot.sh OUT.png
#   BRINDLOW_BIN   folder holding brindlow.exe and mavrel.dll (default: the bin folder of the
#                  build this machine runs, see tools/wine-env.sh)
# The program reads and saves its settings as at any start and close.
set -euo pipefail
out=${1:?usage: tools/screenshot.sh OUT.png}
: "${DISPLAY:?set DISPLAY to the X server to use}"
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/wine-env.sh"
bin=${BRINDLOW_BIN:-$(brindlow_build_dir "$(wine_default_arch)")/bin}
scratch=$(mktemp -d)

"$here/cmake/wine-exec.sh" "$bin/brindlow.exe" >/dev/null 2>&1 &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# The wine loader keeps the process id of the shell's child, so the window carries it.
window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" --name '^Brindlow$' | head -n 1)
[ -n "$window" ] || { echo "no Brindlow window appeared" >&2; exit 1; }

# The dialog paints after it maps: grab until two grabs in a row are the same.
import -window root "$scratch/a.png"
for _ in $(seq 50); do
    import -window root "$scratch/b.png"
    if cmp -s "$scratch/a.png" "$scratch/b.png"; then break; fi
    mv "$scratch/b.png" "$scratch/a.png"
done
cp "$scratch/a.png" "$out"

# Close it as a user would, so it ends normally; the trap ends it if that fails.
xdotool windowfocus --sync "$window" key alt+F4 || true
timeout 15 tail --pid="$pid" -f /dev/null || echo "the program did not close; ended it" >&2
