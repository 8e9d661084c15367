#!/usr/bin/env bash
# The project's first command: installs what is missing, builds, and starts kvt-station, the
# station operator console with the report plug-in in its menus, on a demo station root
# (./demo-root). The demo station database is made once and kept, like the settings the console
# and the plug-in write there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh dev
tools=$PWD/build/dev/tools

export KVT_ROOT=$PWD/demo-root
unset KVT_STATION_DB
scripts/kvt-demo-root "$tools" "$PWD/host/templates"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so kvt-station cannot open"
    echo "its window. The menu it would show, with the plug-in's entries (kvt-station --dump-menu):"
    exec "$tools/kvt-station" --dump-menu
fi
exec "$tools/kvt-station"
