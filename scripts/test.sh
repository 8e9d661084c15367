#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test, in the normal build and in the
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
for preset in dev dev-asan; do
    echo "=== $preset"
    scripts/build.sh "$preset"
    ctest --preset "$preset"
done
