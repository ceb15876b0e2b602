#!/usr/bin/env bash
# Times expand-all, collapse and expand again in the real program on an X display, the way a
# user meets them: xdotool presses the key, then the screen is grabbed until it changes (the
# window answers; each grab adds about 40 ms) and until it has not changed for half a second
# (the step is done). Needs xdotool and ImageMagick's import; run under xvfb-run:
#   xvfb-run -a -s "-screen 0 1000x700x24" bench/x11_tree_steps.sh build/bin/tovi-xmleditor [RECORDS]
# Each record is 8 nodes; 8250000 records make the 66 million nodes of a 1 GB file.
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
# Loaded once the program's memory has stopped growing for three seconds.
previous=0
still=0
while [ "$still" -lt 3 ]; do
    sleep 1
    rss=$(ps -o rss= -p "$pid")
    if [ "$rss" = "$previous" ]; then still=$((still + 1)); else still=0; fi
    previous=$rss
done
window=$(xdotool search --pid "$pid" --onlyvisible | head -1)
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool windowfocus --sync "$window"
xdotool mousemove 80 105 click 1 # the document element, the only top-level row
sleep 1
step() {
    local before now start changed settled last
    before=$(import -window root rgb:- | md5sum)
    start=$(date +%s.%N)
    xdotool key --clearmodifiers "$1"
    for _ in $(seq 1 200); do
        now=$(import -window root rgb:- | md5sum)
        [ "$now" != "$before" ] && break
    done
    changed=$(date +%s.%N)
    settled=$changed
    last=$now
    while [ "$(echo "$(date +%s.%N) - $settled < 0.5" | bc)" = 1 ]; do
        now=$(import -window root rgb:- | md5sum)
        if [ "$now" != "$last" ]; then
            settled=$(date +%s.%N)
            last=$now
        fi
    done
    echo "$2: $(echo "$changed - $start" | bc) s until the screen changed," \
        "$(echo "$settled - $start" | bc) s until it settled"
    sleep 1
}
step asterisk "expand-all (*)"
step Left "collapse (Left)"
step Right "expand again (Right)"
step Left "collapse (Left)"
# Then editing at the far end of the shown rows: the last row, two steps up (the last record's
# city text), deleting it, undoing and redoing that.
step Right "expand (Right)"
step End "End"
step Up "Up"
step Up "Up"
step Delete "Delete"
step ctrl+z "Undo"
step ctrl+y "Redo"
# And among the records themselves: the first one deleted, undone and redone.
step Home "Home"
step Down "Down"
step Delete "Delete a record"
step ctrl+z "Undo"
step ctrl+y "Redo"
