#!/usr/bin/env bash
# The whole test suite once more, built by Clang with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --sanitizers
CXX=clang++-14 cmake -S . -B build-sanitized -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENBRIX_WERROR=ON \
  -DQUENBRIX_SANITIZE=address,undefined >/dev/null
cmake --build build-sanitized -j"$(nproc)"
ASAN_OPTIONS=abort_on_error=0:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitized --output-on-failure -j"$(nproc)" --timeout 600
