#!/usr/bin/env bash
# Builds the libFuzzer targets (CMake preset fuzz: clang, ASan + UBSan) and runs each for a
# bounded time on a copy of its seed corpus in fuzz/corpus/<name>/, so that the repository is
# never written to. A crash, a hang, a leak or a sanitizer report fails the script; the input
# that caused it is kept in build/fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

scripts/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp
bin=build/fuzz/fuzz
artifacts=$PWD/build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=()
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    corpus=$work/$name
    cp -r "$seeds" "$corpus"
    echo "=== fuzz $name (${seconds} s)"
    # TMPDIR keeps what the targets make of their own out of the machine's /tmp.
    if ! TMPDIR=$work "$bin/${name}_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/${name}-" "$corpus" \
        >"$work/$name.log" 2>&1; then
        failed+=("$name")
        tail -n 60 "$work/$name.log"
    fi
    grep -E '^#[0-9]+.*DONE|^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' \
        "$work/$name.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzz targets failed: ${failed[*]} (inputs in $artifacts)"
    exit 1
fi
