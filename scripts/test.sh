#!/usr/bin/env bash
# Builds Papelada and runs the whole test suite twice: a normal build, then a
# build under AddressSanitizer and UndefinedBehaviorSanitizer; between them,
# the installed tree and the Debian package are checked (scripts/instalacao.sh).
# Installs what it needs first (scripts/setup.sh); the tests start their own X
# server and CUPS scheduler where they need one.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
export CTEST_OUTPUT_ON_FAILURE=1
ctest --test-dir build -j2 --timeout 900
bash scripts/instalacao.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPAPELADA_SANITIZE=ON
cmake --build build-asan
ctest --test-dir build-asan -j2 --timeout 900
