#!/usr/bin/env bash
# Installs what is missing, builds and starts Quenbrix. Arguments go to the
# program; without any it starts on the built-in demo decoder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quenbrix quenbrix-sim
if [ $# -eq 0 ]; then set -- --demo; fi
exec build/src/quenbrix "$@"
