#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test, in the normal build and in the
# AddressSanitizer + UndefinedBehaviorSanitizer build, after running each fuzz target briefly and
# building the Release configuration a packager builds (first, so that the test runs' summaries
# close the output).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/fuzz.sh
echo "=== release"
scripts/build.sh release
for preset in dev dev-asan; do
    echo "=== $preset"
    scripts/build.sh "$preset"
    ctest --preset "$preset"
done
