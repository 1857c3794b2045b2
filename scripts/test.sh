#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

if [ "${KELVRA_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKELVRA_SANITIZE=ON -DKELVRA_BENCH=OFF >/dev/null
  cmake --build build-sanitize -j"$jobs"
  (cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j"$jobs")
fi
