#!/usr/bin/env bash
# Installs what is missing, builds, and runs the service in the foreground
# from a demo program directory (build/demo). Stop it with Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p build/demo
cp -f build/kelvra build/demo/kelvra
echo "Program directory: $(pwd)/build/demo (settings, history, chart and CSV logs land there)"
exec build/demo/kelvra "$@"
