#!/usr/bin/env bash
# Installs the packages (with the test-only ones), builds with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh --tests
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan --output-on-failure
