#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Builds the game, its tools and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs the whole suite
# there: any invalid access, leak or undefined behaviour fails its test.
# Needs what ./setup.sh installs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-sanitize" -DPELLMOR_SANITIZE=ON
cmake --build "$root/build-sanitize" -j"$(nproc)"
cd "$root/build-sanitize"
export UBSAN_OPTIONS=print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
ctest --output-on-failure -j"$(nproc)"
