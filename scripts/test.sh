#!/usr/bin/env bash
# The whole test run, in this order: installs missing Debian packages (scripts/install-deps.sh), fills
# the MD2 model cache (scripts/fetch-models.sh), checks the code style (scripts/format.sh) and that no include cycle
# exists (scripts/include-graph.py), builds the
# AddressSanitizer and UndefinedBehaviorSanitizer configuration into build-test/, fuzzes each target for
# 15 seconds (scripts/fuzz.sh 15), runs every CTest test under xvfb-run (arguments go to ctest), and ends
# with 60 seconds of ThreadSanitizer stress (scripts/stress.sh 60, built into build-tsan/).
# Unit tests that need OpenGL use the virtual display xvfb-run gives them; the
# end-to-end tests start their own Xvfb for each program they run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/fetch-models.sh
scripts/format.sh
scripts/include-graph.py >/dev/null || scripts/include-graph.py
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_TESTS=ON -DVELMORA_WERROR=ON >/dev/null
cmake --build build-test -j "$(nproc)"
scripts/fuzz.sh 15
cd build-test
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2 "$@"
../scripts/stress.sh 60
