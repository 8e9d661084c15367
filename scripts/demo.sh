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
    "$tools/kvt-demo-data" --out "$database" --network
    # Level 3 operators see the daily shift financial report too.
    "$tools/kvt-ini" 'C:\WINDOWS\cnf.INI' set Reports ShowDaySmenaFinReport '`1`'
    echo "Demo station database made: $database"
fi
# The office's table of the station network, where the discount card list and the daily shift
# financial report find their stations; a demo root made before it gets the network now.
office=$KVT_ROOT/drive_c/VEDA/OfficeDB/Office.DB
if [ ! -f "$office" ]; then
    if [ ! -f "$KVT_ROOT/station/Office.DB" ]; then
        scratch=$(mktemp -d)
        "$tools/kvt-demo-data" --out "$scratch/station.db" --network
        mv "$scratch"/KVT*.db "$scratch/Office.DB" "$KVT_ROOT/station/"
        rm -rf "$scratch"
    fi
    mkdir -p "$(dirname "$office")"
    cp "$KVT_ROOT/station/Office.DB" "$office"
fi
# The console's shift report templates: UTF-8 in the repository, CP1251 on the station. Only
# missing ones are laid, so that templates edited on the demo station stay as they are.
for folder in REPORT WEBREP; do
    target=$KVT_ROOT/drive_c/VEDA/FORMS/$folder
    mkdir -p "$target"
    for template in host/templates/$folder/*; do
        name=$(basename "$template")
        if [ ! -e "$target/$name" ]; then
            iconv -f UTF-8 -t CP1251 "$template" > "$target/$name.part"
            mv "$target/$name.part" "$target/$name"
        fi
    done
done
# The shift report rows that the demo templates need beyond the plug-in's defaults, each written
# only where cnf.INI has no value for it yet.
config='C:\WINDOWS\cnf.INI'
while IFS='=' read -r key value; do
    case $key in '' | '#'*) continue ;; esac
    if [ -z "$("$tools/kvt-ini" "$config" get SmenaRep "$key")" ]; then
        "$tools/kvt-ini" "$config" set SmenaRep "$key" "$value"
    fi
done < host/templates/SmenaRep-demo.txt
echo "Demo station root: $KVT_ROOT"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so kvt-station cannot open"
    echo "its window. The plug-in's menu as the console would show it (kvt-hostsim --dump-menu):"
    exec "$tools/kvt-hostsim" --dump-menu
fi
exec "$tools/kvt-station"
