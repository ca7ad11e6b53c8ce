#!/usr/bin/env bash
# Builds and runs every test with Qt 6; builds everything again with Qt 5.15
# under the address and undefined-behaviour sanitizers and runs the non-GUI
# tests there; then builds the Debian package and checks it; then, when a
# Windows Qt is at hand, cross-builds for Windows and tests that under Wine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" unzip

jobs=$(nproc)

cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORAVEL_QT_MAJOR=6
cmake --build build-tests -j "$jobs"
(cd build-tests && ctest --output-on-failure -j "$jobs")

# The window is built here too, so that it keeps compiling with Qt 5. Its
# test runs outside CTest with leak checks off, since Qt 5's offscreen
# platform leaks its screens; every other sanitizer check still stops it.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORAVEL_QT_MAJOR=5 -DMORAVEL_SANITIZE=ON
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs" --label-exclude gui)
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 build-asan/tests/tst_mainwindow

scripts/check-package.sh build-tests

# The Windows build, cross-compiled with MinGW-w64 and tested under Wine,
# whenever the Windows Qt (or its ready archive) is at hand.
if scripts/windows/build-qt.sh --check; then
    windows_start=$(date +%s)
    scripts/windows/build.sh
    scripts/windows/test.sh
    echo "The Windows part took $(($(date +%s) - windows_start)) s"
else
    echo "Windows part skipped: no usable Windows Qt (scripts/windows/build-qt.sh builds it, an hour; or put a whole archive of it in ../shared/toolchains)"
fi
