#!/usr/bin/env bash
# Builds and runs every test, then the non-GUI tests again under the address
# and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" unzip

jobs=$(nproc)

cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build-tests -j "$jobs"
(cd build-tests && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DMORAVEL_SANITIZE=ON -DMORAVEL_BUILD_GUI=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")
