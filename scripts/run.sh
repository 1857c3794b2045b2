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
# The demo's settings differ from the shipped defaults in two places: the
# status line of every check (severity 5) is logged, and the chart's scale
# starts at 0 so that the first check already draws it.
if [ ! -f build/demo/Kelvra.dat ]; then
  printf '%s\r\n' "RunAsDaemon:No" "RemoteComputer:" "Debug:No" "Drive:C" "Title:Kelvra demo" \
    "MIN:0" "MAX:-1" "LogFile:Kelvra.ring" "JPGFile:Kelvra.JPG" "Syslog:127.0.0.1" \
    "SyslogTrap:5" "DaysOfFilesRetained:7" > build/demo/Kelvra.dat
fi
echo "Program directory: $(pwd)/build/demo (settings, history, chart KELVRA.JPG and CSV logs land there)"
exec build/demo/kelvra "$@"
