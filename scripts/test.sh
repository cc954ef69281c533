#!/usr/bin/env bash
# Installs the packages (with the test-only ones), builds with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test, then
# builds the release archive and checks it unpacked.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh --tests
# Every C++ file must be as clang-format writes it.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
# The Linux collector runs under dash, bash and busybox sh: no finding of
# shellcheck's is left in it.
shellcheck --shell=sh collector/linux/vantrel-collect.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan --output-on-failure
shellcheck tests/release/check_release.sh
cmake --preset release >/dev/null
cmake --build --preset release --target package
tests/release/check_release.sh build/release/package/vantrel-*-linux-x86_64.tar.gz build
