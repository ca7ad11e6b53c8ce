#!/usr/bin/env bash
# Provides a Qt 6.4.2 for 64-bit Windows (MinGW-w64, shared, Release) with
# SQLite and zlib, in MORAVEL_WINDOWS_QT (default ~/.cache/moravel/qt-6.4.2-x86_64-w64-mingw32).
#
# A ready archive in ../shared/toolchains (qt-6.4.2-x86_64-w64-mingw32*.tar.xz)
# is unpacked; otherwise Qt is built from Debian's own source packages, which
# takes an hour or more on two cores. Does nothing when the prefix is complete.
# Prints the prefix on its last line; everything else goes to the log
# (<prefix>.log) and to standard error.
#
#   --check   only tell (exit status) whether a Windows Qt is there or unpacks whole
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

qt_version=6.4.2
triple=x86_64-w64-mingw32
prefix="${MORAVEL_WINDOWS_QT:-$HOME/.cache/moravel/qt-$qt_version-$triple}"
toolchains="${MORAVEL_TOOLCHAINS_DIR:-$root/../shared/toolchains}"
stamp="$prefix/.moravel-complete"

find_archive() {
    local archive
    for archive in "$toolchains"/qt-$qt_version-$triple*.tar.xz; do
        if [ -f "$archive" ]; then
            echo "$archive"
            return 0
        fi
    done
    return 1
}

# Every DLL and plug-in of a prefix must be a whole PE image: one cut short
# or shifted loads under Windows only to crash in its loader. objdump reads
# every header and directory, which a damaged image fails.
check_prefix() { # <prefix> -> names what is damaged on stderr
    local dll damaged=0
    [ -f "$1/lib/cmake/Qt6/Qt6Config.cmake" ] || { echo "no lib/cmake/Qt6 in $1" >&2; return 1; }
    while IFS= read -r -d '' dll; do
        if ! "$triple-objdump" -p "$dll" >/dev/null 2>&1; then
            echo "damaged: ${dll#"$1"/}" >&2
            damaged=1
        fi
    done < <(find "$1/bin" "$1/plugins" -name '*.dll' -print0)
    return "$damaged"
}

# --check: a prefix is ready, or an archive unpacks into one whole (seconds);
# never the source build.
if [ "${1:-}" = "--check" ]; then
    # A prefix unpacked before its files were checked, or patched by hand,
    # is trusted only when every image in it is whole.
    if [ -f "$stamp" ]; then
        check_prefix "$prefix"
        exit
    fi
    find_archive >/dev/null || exit 1
    "$0" >/dev/null
    exit
fi

if [ -f "$stamp" ] && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$(dirname "$prefix")"
log="$prefix.log"
: >"$log"
say() { echo "build-qt: $*" | tee -a "$log" >&2; }

if archive="$(find_archive)"; then
    # Unpacked beside the prefix and moved into place in one rename, so that an
    # interrupted run never leaves a half prefix that looks complete.
    say "unpacking $archive into $prefix"
    staging="$(mktemp -d "$(dirname "$prefix")/.unpack.XXXXXX")"
    trap 'rm -rf "$staging"' EXIT
    tar -xJf "$archive" -C "$staging"
    top=("$staging"/*)
    if [ ${#top[@]} -ne 1 ] || [ ! -f "${top[0]}/lib/cmake/Qt6/Qt6Config.cmake" ] \
        || [ ! -f "${top[0]}/mingw-w64-x86_64.cmake" ]; then
        say "the archive does not hold one Qt prefix with lib/cmake/Qt6 and its toolchain file"
        exit 1
    fi
    if ! check_prefix "${top[0]}" 2> >(tee -a "$log" >&2); then
        say "the archive $archive holds damaged files (above): not used; remove it, or build from source with MORAVEL_TOOLCHAINS_DIR=/nonexistent"
        exit 1
    fi
    rm -rf "$prefix"
    mv "${top[0]}" "$prefix"
    basename "$archive" >"$stamp"
    say "done: $(du -sh "$prefix" | cut -f1)"
    echo "$prefix"
    exit 0
fi

# No archive: build from Debian's source packages. Nothing of the machine's
# apt configuration changes: a private sources list gives the deb-src entry.
say "no archive in $toolchains: building Qt $qt_version from source (an hour or more; log: $log)"
work="${MORAVEL_WINDOWS_QT_WORK:-$(dirname "$prefix")/qt-build}"
mkdir -p "$work/apt/lists/partial" "$work/src"
# The machine's own Debian mirror (a "URIs:" or "deb" line, never a comment).
# Not every machine has all three kinds of file, and a missing one must not
# stop the script; awk reads to the end so that sed never dies of a closed pipe.
mirror="${MORAVEL_DEBIAN_MIRROR:-$( (cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null || true) \
    | sed -n -E 's,^(URIs:[[:space:]]*|deb[[:space:]]+)(https?://[^[:space:]]*/debian/?)([[:space:]].*)?$,\2,p' | awk 'NR == 1')}"
mirror="${mirror:-http://deb.debian.org/debian}"
cat >"$work/apt/moravel-src.sources" <<SOURCES
Types: deb-src
URIs: $mirror
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt_private=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt"
    -o "Dir::State::Lists=$work/apt/lists")
{
    apt-get "${apt_private[@]}" update
    (cd "$work/src" && apt-get "${apt_private[@]}" source --download-only qt6-base sqlite3 zlib)
} >>"$log" 2>&1

staging="$work/prefix"
rm -rf "$staging"
mkdir -p "$staging/lib" "$staging/include"
cp "$here/mingw-w64-x86_64.cmake" "$staging/"
cc="$triple-gcc-posix"

unpack() { # <source package> -> its unpacked folder, Debian's patches applied
    local dsc
    dsc="$(ls "$work/src/$1"_*.dsc | head -n1)"
    rm -rf "$work/src/$1"
    dpkg-source -x "$dsc" "$work/src/$1" >>"$log" 2>&1
    echo "$work/src/$1"
}

say "zlib"
zsrc="$(unpack zlib)"
mkdir -p "$work/zlib-obj"
for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    "$cc" -O2 -c "$zsrc/$c.c" -o "$work/zlib-obj/$c.o"
done
"$triple-ar" rcs "$staging/lib/libz.a" "$work"/zlib-obj/*.o
cp "$zsrc/zlib.h" "$zsrc/zconf.h" "$staging/include/"

say "SQLite"
ssrc="$(unpack sqlite3)"
mkdir -p "$work/sqlite-host"
(cd "$work/sqlite-host" && "$ssrc/configure" --disable-tcl && make sqlite3.c sqlite3.h) >>"$log" 2>&1
"$cc" -O2 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS4 \
    -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE -DSQLITE_ENABLE_JSON1 -DSQLITE_SECURE_DELETE \
    -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_THREADSAFE=1 \
    -c "$work/sqlite-host/sqlite3.c" -o "$work/sqlite3.o"
"$triple-ar" rcs "$staging/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/sqlite-host/sqlite3.h" "$work/sqlite-host/sqlite3ext.h" "$staging/include/" 2>/dev/null \
    || cp "$work/sqlite-host/sqlite3.h" "$staging/include/"

say "Qt (about 1,170 steps)"
qsrc="$(unpack qt6-base)"
# With Direct2D off, Qt 6.4's qwindows plugin still names the DirectWrite font
# database, which Gui builds only with Direct2D: keep both guards in step.
sed -i 's/#if QT_CONFIG(directwrite3)/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    "$qsrc/src/plugins/platforms/windows/qwindowsintegration.cpp"
rm -rf "$work/qt-build"
mkdir -p "$work/qt-build"
(
    cd "$work/qt-build"
    "$qsrc/configure" -prefix "$staging" -release -shared -xplatform win32-g++ -qt-host-path /usr \
        -nomake examples -nomake tests -no-pkg-config -qt-zlib -qt-pcre -qt-libpng -qt-freetype \
        -qt-harfbuzz -no-libjpeg -sql-sqlite -system-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql \
        -no-sql-ibase -no-sql-oci -no-sql-db2 -no-icu -no-dbus -no-zstd -schannel -no-openssl \
        -no-opengl -no-feature-vulkan -no-feature-direct2d -no-feature-tabletevent -no-feature-xml \
        -no-feature-printsupport -no-feature-androiddeployqt -- -G Ninja \
        "-DCMAKE_TOOLCHAIN_FILE=$staging/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "-DMINGW_QT_PREFIX=$staging"
    cmake --build . --parallel "$(nproc)"
    cmake --install . --strip
) >>"$log" 2>&1
for dll in libstdc++-6.dll libgcc_s_seh-1.dll; do
    cp "/usr/lib/gcc/$triple/12-posix/$dll" "$staging/bin/"
done
cp "/usr/$triple/lib/libwinpthread-1.dll" "$staging/bin/"
echo "Qt $qt_version for $triple (posix threads), built $(date -u '+%F %T') UTC from Debian's sources" \
    >"$staging/BUILDINFO.txt"
check_prefix "$staging" 2> >(tee -a "$log" >&2)
rm -rf "$prefix"
mv "$staging" "$prefix"
echo "source build" >"$stamp"
say "done: $(du -sh "$prefix" | cut -f1)"
echo "$prefix"
