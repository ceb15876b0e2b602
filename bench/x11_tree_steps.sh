#!/usr/bin/env bash
# Times expand-all, collapse and expand again in the real program on an X display, the way a
# user meets them: xdotool presses the key, then the screen is grabbed until it changes (each
# grab adds about 40 ms). Needs xdotool and ImageMagick's import; run under xvfb-run:
#   xvfb-run -a -s "-screen 0 1000x700x24" bench/x11_tree_steps.sh build/bin/tovi-xmleditor
set -euo pipefail
editor=$1
records=${2:-300000}
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
file="$work/records.xml"
python3 - "$file" "$records" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    f.write('<?xml version="1.0"?>\n<records>\n')
    for i in range(int(sys.argv[2])):
        f.write(f'  <record id="{i}"><name>Name {i}</name><city>City {i % 97}</city>'
                f'<note>n</note></record>\n')
    f.write('</records>\n')
PY
export TOVI_TEST_ISOLATION_DIR="$work"
"$editor" "$file" &
pid=$!
sleep 6
window=$(xdotool search --pid "$pid" --onlyvisible | head -1)
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool windowfocus --sync "$window"
xdotool mousemove 80 105 click 1 # the document element, the only top-level row
sleep 1
step() {
    local before now start end
    before=$(import -window root rgb:- | md5sum)
    start=$(date +%s.%N)
    xdotool key --clearmodifiers "$1"
    for _ in $(seq 1 200); do
        now=$(import -window root rgb:- | md5sum)
        [ "$now" != "$before" ] && break
    done
    end=$(date +%s.%N)
    echo "$2: $(echo "$end - $start" | bc) s until the screen changed"
    sleep 1
}
step asterisk "expand-all (*)"
step Left "collapse (Left)"
step Right "expand again (Right)"
step Left "collapse (Left)"
