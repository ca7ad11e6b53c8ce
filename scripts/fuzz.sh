#!/usr/bin/env bash
# Fuzzes one target with libFuzzer for a while:
#   scripts/fuzz.sh markup 600     # target fuzz/fuzz_markup.cpp, 600 seconds
# New inputs go to build-fuzz/corpus/<target>; the committed seeds are read too.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target name, e.g. markup}
seconds=${2:-600}
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORAVEL_FUZZ=ON -DMORAVEL_SANITIZE=ON -DMORAVEL_BUILD_TESTS=OFF -DMORAVEL_BUILD_GUI=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"
cmake --build build-fuzz -j "$(nproc)" --target "fuzz_$target"

mkdir -p "build-fuzz/corpus/$target"
"build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target"
