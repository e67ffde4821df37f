#!/usr/bin/env bash
# Installs what is missing, builds the editor and tavrin-level (not the tests), and starts the editor on the
# template level.
#
# Without a display ($DISPLAY and $WAYLAND_DISPLAY both empty) the editor runs on a virtual X server
# instead: the script waits for its window, saves a screenshot to shots/editor-<time>.png, prints that
# path and ends the editor.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

EDITOR_BIN=./build/tavrin-editor
LEVEL=$ROOT/build/PelmarLevel.txt
WINDOW_TIMEOUT=30  # seconds to wait for the editor's window
TOTAL_TIMEOUT=90   # seconds for the whole headless run

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    bash scripts/setup.sh --programs
    exec "$EDITOR_BIN" "$LEVEL"
fi

echo "run.sh: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty);" \
    "running the editor on a virtual X server and taking a screenshot." >&2
bash scripts/setup.sh --programs --headless

mkdir -p shots
shot=$ROOT/shots/editor-$(date +%Y%m%d-%H%M%S).png

# Runs inside xvfb-run: start the editor, wait for its main window, screenshot, end the editor.
headless_session() {
    local editor=$1 level=$2 shot=$3 window_timeout=$4
    # A private runtime folder keeps Qt from warning about a missing one.
    local runtime
    runtime=$(mktemp -d)
    XDG_RUNTIME_DIR=$runtime "$editor" "$level" &
    local app=$!
    # shellcheck disable=SC2064 # expand $app and $runtime now
    trap "kill $app 2>/dev/null || true; rm -rf '$runtime'" EXIT

    local windows
    if ! windows=$(timeout "$window_timeout" \
        xdotool search --sync --onlyvisible --name '^TavrinEditor'); then
        echo "run.sh: the editor's window did not appear within ${window_timeout} s" >&2
        return 1
    fi
    local window=${windows%%$'\n'*}
    sleep 1  # let the window finish painting
    if ! kill -0 "$app" 2>/dev/null; then
        echo "run.sh: the editor ended before the screenshot" >&2
        return 1
    fi
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    timeout 20 import -window root "$shot"

    kill "$app" 2>/dev/null || true
    timeout 10 tail --pid="$app" -f /dev/null || kill -KILL "$app" 2>/dev/null || true
}

timeout --kill-after=10 "$TOTAL_TIMEOUT" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c "set -euo pipefail; $(declare -f headless_session); headless_session \"\$@\"" \
    headless_session "$EDITOR_BIN" "$LEVEL" "$shot" "$WINDOW_TIMEOUT"

echo "$shot"
