#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) and runs them all, or only
# those named on the command line (bench_markup, bench_packages, ...), each
# twice: with glibc's malloc and with tcmalloc, since allocation-heavy
# figures move with the allocator. BENCH_ROUNDS sets the rounds (at least 5).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev libpugixml-dev libzip-dev unzip zip shared-mime-info \
    libtcmalloc-minimal4

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DMORAVEL_BUILD_BENCH=ON -DMORAVEL_BUILD_TESTS=OFF -DMORAVEL_BUILD_GUI=OFF
cmake --build build-bench -j "$(nproc)"

tcmalloc=$(ls /usr/lib/*/libtcmalloc_minimal.so.4 2>/dev/null | head -n 1 || true)
benches=("$@")
if [ ${#benches[@]} -eq 0 ]; then
    for path in build-bench/bin/bench_*; do benches+=("$(basename "$path")"); done
fi
for bench in "${benches[@]}"; do
    echo "== $bench"
    "build-bench/bin/$bench"
    if [ -n "$tcmalloc" ]; then
        echo "== $bench (tcmalloc)"
        LD_PRELOAD="$tcmalloc" "build-bench/bin/$bench"
    fi
done
