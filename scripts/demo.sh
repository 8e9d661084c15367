#!/usr/bin/env bash
# The project's main job for now: installs what is missing, builds, and shows the station tools
# at work on a fresh demo root (./demo-root): a long multi-line value written to cnf.INI and read
# back whole through the locked INI file, report log lines written, a registry value stored.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh dev
tools=$PWD/build/dev/tools

export KVT_ROOT=$PWD/demo-root
rm -rf "$KVT_ROOT"
mkdir -p "$KVT_ROOT/drive_c/WINDOWS" "$KVT_ROOT/drive_c/VEDA/LogFiles"
echo "Demo station root: $KVT_ROOT"

ini='C:\WINDOWS\cnf.INI'
value_file=$(mktemp)
trap 'rm -f "$value_file" "$value_file.back"' EXIT
for i in $(seq 1 4000); do
    printf 'Смена %d: отчет по ТРК %d, оператор Иванов И.И.\n' "$i" $((i % 8 + 1))
done >"$value_file"
printf 'Value of %d bytes, %d lines\n' "$(wc -c <"$value_file")" "$(wc -l <"$value_file")"

"$tools/kvt-ini" "$ini" set Reports DemoLongValue - <"$value_file"
"$tools/kvt-ini" "$ini" set Reports ShowDaySmenaFinReport '`1`'
"$tools/kvt-ini" "$ini" get Reports DemoLongValue >"$value_file.back"
# The tool prints the value and a newline; the value's own line breaks come back as CR LF.
if tr -d '\r' <"$value_file.back" | cmp -s - <(cat "$value_file"; echo); then
    echo "Long value read back whole through the locked INI file."
else
    echo "Long value differs after reading it back." >&2
    exit 1
fi
echo "Keys of [Reports]:"
"$tools/kvt-ini" "$ini" keys Reports | sed 's/^/  /'

log='C:\VEDA\LogFiles\Reports.log'
"$tools/kvt-log" "$log" --tag '[KVTReports7]' --level 1 'Отчет 45 сформирован за 120 мс'
"$tools/kvt-log" "$log" --tag '[KVTReports7]' --level 2 --pid --tid 'Ошибка формирования отчета 10: нет связи с сервером'
printf 'line one\nline two\n' | "$tools/kvt-log" "$log" --tag '[KVTReports7]' -
echo "Report log (CP1251 on disk, shown as UTF-8):"
iconv -f CP1251 -t UTF-8 "$KVT_ROOT/drive_c/VEDA/LogFiles/Reports.log" | sed 's/\r$//; s/^/  /'

"$tools/kvt-reg" set 'SOFTWARE\Nordvik\KVT\Reports\CardRep' PayType57 --dword 1
printf 'Registry value PayType57 of CardRep: %s\n' \
    "$("$tools/kvt-reg" get 'software\nordvik\kvt\reports\cardrep' paytype57)"
