#!/usr/bin/env bash
# The .deb as an integrator and a station meet it: CPack makes it from the build, it is unpacked
# into a scratch root as dpkg would lay it, and there the installed console starts headless, the
# installed tools work on a fresh station root, and a console built against the installed SDK
# (with pkg-config and with find_package) loads the installed plug-in.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/*.deb) || fail "cpack made no .deb"
depends=$(dpkg-deb -f "$deb" Depends) || fail "the package has no Depends"
for library in libqt6widgets6 libsqlite3-0 libc6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
for file in bin/kvt-station bin/kvt-hostsim bin/kvt-ini bin/kvt-demo-data bin/kvt-demo-root \
    include/kvtreports/Host.h share/applications/kvt-station.desktop \
    share/icons/hicolor/scalable/apps/kvt-station.svg share/kvtreports/templates/REPORT/Smena1.FRM; do
    [ -e "$usr/$file" ] || fail "not installed: $file"
done
plugin=$(find "$usr/lib" -name libKVTReports7.so)
[ -n "$plugin" ] || fail "the plug-in is not installed"

# A fresh station root, laid by the installed tools from the installed templates.
export KVT_ROOT=$work/station QT_QPA_PLATFORM=offscreen
unset KVT_PLUGIN KVT_STATION_DB
"$usr/bin/kvt-demo-root" >"$work/demo-root.log" || { cat "$work/demo-root.log"; fail "kvt-demo-root"; }
[ -f "$KVT_ROOT/drive_c/VEDA/FORMS/REPORT/Smena1.FRM" ] || fail "templates not laid"
[ "$("$usr/bin/kvt-ini" 'C:\WINDOWS\cnf.INI' get Reports ShowDaySmenaFinReport)" = '`1`' ] ||
    fail "kvt-ini does not read what kvt-demo-root wrote"
menu=$("$usr/bin/kvt-hostsim" --dump-menu)
grep -q '^  Сменный отчет' <<<"$menu" || fail "kvt-hostsim found no plug-in menu: $menu"

# The console headless: it starts as always without its window, prints its menu and ends with 0,
# which it does only when no error was shown.
menu=$("$usr/bin/kvt-station" --dump-menu 2>"$work/station.log") ||
    { cat "$work/station.log"; fail "kvt-station --dump-menu"; }
grep -q '^  Сменный отчет' <<<"$menu" || fail "kvt-station found no plug-in menu: $menu"

# The SDK, as pkg-config and as a CMake package give it.
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(find "$usr/lib" -name kvtreports.pc)")
flags=$(pkg-config --cflags --libs kvtreports) || fail "pkg-config does not know kvtreports"
# shellcheck disable=SC2086 # the flags are words
"${CXX:-c++}" -std=c++20 "$source/tests/install/sdk/sdk_host.cpp" -o "$work/sdk_host" $flags
libdir=$(pkg-config --variable=libdir kvtreports)
pc_plugin=$(pkg-config --variable=plugin kvtreports)
[ "$(realpath "$pc_plugin")" = "$(realpath "$plugin")" ] || fail "pkg-config's plug-in: $pc_plugin"
LD_LIBRARY_PATH=$libdir "$work/sdk_host" "$pc_plugin" >"$work/sdk.out" ||
    fail "the pkg-config host did not load the plug-in"
grep -q '^  Общий список дисконтных  карт$' "$work/sdk.out" || { cat "$work/sdk.out"; fail "no report menu"; }

cmake -S "$source/tests/install/sdk" -B "$work/sdk-build" -DCMAKE_PREFIX_PATH="$usr" \
    >"$work/sdk-cmake.log" 2>&1 || { cat "$work/sdk-cmake.log"; fail "find_package(KVTReports)"; }
cmake --build "$work/sdk-build" >>"$work/sdk-cmake.log" 2>&1 || { cat "$work/sdk-cmake.log"; fail "SDK build"; }
LD_LIBRARY_PATH=$libdir "$work/sdk-build/sdk_host" "$(cat "$work/sdk-build/plugin.txt")" |
    cmp -s - "$work/sdk.out" || fail "the CMake host saw another menu"
echo "installed package works: $(basename "$deb")"
