#!/usr/bin/env bash
# Installs what is missing, checks the code style, fuzzes each reader and the console for 15 seconds
# (scripts/fuzz.sh), builds the test configuration (AddressSanitizer and UndefinedBehaviorSanitizer)
# into build-test/ and runs every test through CTest.
# Unit tests that need OpenGL use the virtual display xvfb-run gives them; the
# end-to-end tests start their own Xvfb for each program they run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/fetch-models.sh
scripts/format.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_TESTS=ON -DVELMORA_WERROR=ON >/dev/null
cmake --build build-test -j "$(nproc)"
scripts/fuzz.sh 15
cd build-test
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2 "$@"
../scripts/stress.sh 60
