#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 against the Windows Qt that
# scripts/windows/build-qt.sh provides, into build-windows/:
#   bin/moravel.exe, bin/moravel-cli.exe with every DLL and plug-in they load,
#   Moravel-<version>-windows-x64.zip   the portable build (bin/ as Moravel/),
#   Moravel-<version>-setup.exe         the per-user installer (NSIS).
# The tests are built too (run them under Wine with scripts/windows/test.sh);
# MORAVEL_WINDOWS_TESTS=OFF leaves them out.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=scripts/ensure-packages.sh
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

qt="$(scripts/windows/build-qt.sh | tail -n1)"
build="${MORAVEL_WINDOWS_BUILD:-build-windows}"
triple=x86_64-w64-mingw32

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_TOOLCHAIN_FILE=$PWD/scripts/windows/mingw-w64-x86_64.cmake" "-DMINGW_QT_PREFIX=$qt" \
    -DQT_HOST_PATH=/usr -DMORAVEL_QT_MAJOR=6 "-DMORAVEL_BUILD_TESTS=${MORAVEL_WINDOWS_TESTS:-ON}" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$PWD/scripts/windows/wine.sh" \
    ${CMAKE_CXX_COMPILER_LAUNCHER:+"-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER"}
cmake --build "$build" -j "$(nproc)"

# What the programs load, beside them: Windows looks for DLLs in the
# program's folder first, and Qt for its plug-ins in folders named by kind.
bin="$build/bin"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network Qt6Sql; do
    cp -u "$qt/bin/$dll.dll" "$bin/"
done
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do
    cp -u "/usr/lib/gcc/$triple/12-posix/$dll" "$bin/"
done
cp -u "/usr/$triple/lib/libwinpthread-1.dll" "$bin/"
for plugin in platforms/qwindows platforms/qoffscreen tls/qschannelbackend sqldrivers/qsqlite \
    styles/qwindowsvistastyle imageformats/qico; do
    mkdir -p "$bin/$(dirname "$plugin")"
    cp -u "$qt/plugins/$plugin.dll" "$bin/$plugin.dll"
done
# The test programs load Qt Test from here too.
if [ -n "$(find "$bin" -maxdepth 1 -name 'tst_*.exe')" ]; then
    cp -u "$qt/bin/Qt6Test.dll" "$bin/"
fi

version="$(sed -n 's/^project(Moravel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
# The shipped set: the two programs and what they load, never the tests' extras.
stage="$build/package/Moravel"
rm -rf "$build/package"
mkdir -p "$stage"
(cd "$bin" && cp --parents moravel.exe moravel-cli.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
    Qt6Network.dll Qt6Sql.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    platforms/qwindows.dll tls/qschannelbackend.dll sqldrivers/qsqlite.dll \
    styles/qwindowsvistastyle.dll imageformats/qico.dll "$OLDPWD/$stage/")
# Qt and MinGW ship their DLLs stripped already.
"$triple-strip" "$stage"/*.exe
cp README.md "$stage/README.txt"

zip="$build/Moravel-$version-windows-x64.zip"
rm -f "$zip"
(cd "$build/package" && zip -q -r -X "../$(basename "$zip")" Moravel)
setup="$build/Moravel-$version-setup.exe"
makensis -V2 "-DVERSION=$version" "-DSOURCE=$PWD/$stage" "-DOUTFILE=$PWD/$setup" \
    "-DICON=$PWD/packaging/windows/moravel.ico" packaging/windows/moravel.nsi
echo "$PWD/$bin/moravel.exe"
echo "$PWD/$zip"
echo "$PWD/$setup"
