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
database=$KVT_ROOT/station/station.db
mkdir -p "$KVT_ROOT/station" "$KVT_ROOT/drive_c/WINDOWS" "$KVT_ROOT/drive_c/VEDA/LogFiles"
if [ ! -f "$database" ]; then
    "$tools/kvt-demo-data" --out "$database"
    # Level 3 operators see the daily shift financial report too.
    "$tools/kvt-ini" 'C:\WINDOWS\cnf.INI' set Reports ShowDaySmenaFinReport '`1`'
    echo "Demo station database made: $database"
fi
echo "Demo station root: $KVT_ROOT"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so kvt-station cannot open"
    echo "its window. The plug-in's menu as the console would show it (kvt-hostsim --dump-menu):"
    exec "$tools/kvt-hostsim" --dump-menu
fi
exec "$tools/kvt-station"
