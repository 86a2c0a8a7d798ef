#!/usr/bin/env bash
# Installs what is missing, builds Velmora into build/ and starts it there.
# Without an X display it runs under a virtual one (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
cd build
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ./velmora "$@"
fi
exec ./velmora "$@"
