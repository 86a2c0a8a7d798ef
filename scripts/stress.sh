#!/usr/bin/env bash
# Builds the ThreadSanitizer configuration into build-tsan/ and runs the stress: random console commands
# against random window input for the given number of seconds (60 by default), under its own X display.
# Fails on any ThreadSanitizer report, a crash, or a program that stops answering.
# usage: scripts/stress.sh [seconds] [seed]   (the seed of a run is printed; give it again to replay)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=()
if [ -n "${2:-}" ]; then seed=(--seed "$2"); fi
scripts/install-deps.sh
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TSAN=ON -DVELMORA_WERROR=ON >/dev/null
cmake --build build-tsan -j "$(nproc)"
VELMORA_BUILD_DIR="$PWD/build-tsan" python3 tests/stress/velmora_stress.py "${seed[@]}" "$seconds"
