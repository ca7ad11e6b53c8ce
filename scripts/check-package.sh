#!/usr/bin/env bash
# Builds the Debian package and checks what a desktop makes of it:
#   - the package holds both programs, the desktop entry, the MIME description
#     and every icon size, and depends on Qt and its SQLite driver;
#   - desktop-file-validate accepts the entry, and it runs `moravel %F`;
#   - update-mime-database accepts the MIME description, and xdg-mime then
#     calls .zxp and .mxp files (the suffix in any case) by their types while
#     a .zip stays a ZIP archive;
#   - the packaged program, started as the entry starts it on a package,
#     installs that package.
# Usage: scripts/check-package.sh [BUILD_FOLDER]
# Without a folder it configures and builds a Release build in build-package/;
# with one (already configured, e.g. by test.sh) it packages that build.
# Exits non-zero, naming the check, as soon as one fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh
ensure_packages dpkg-dev file desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl python3

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}

build=${1:-build-package}
if [ $# -eq 0 ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORAVEL_BUILD_TESTS=OFF
fi
cmake --build "$build" -j "$(nproc)" --target moravel moravel-cli
build=$(cd "$build" && pwd)
qt=$(objdump -p "$build/bin/moravel" | sed -n 's/.*NEEDED *libQt\([56]\)Core\.so.*/\1/p')
[ -n "$qt" ] || fail "$build/bin/moravel links no Qt Core library"

rm -f "$build"/moravel_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; fail "cpack -G DEB"; }
deb=$(ls "$build"/moravel_*.deb)
echo "check-package: built $deb"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The file list.
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >"$scratch/files"
expected=(/usr/bin/moravel /usr/bin/moravel-cli /usr/share/applications/moravel.desktop
    /usr/share/mime/packages/moravel.xml /usr/share/icons/hicolor/scalable/apps/moravel.svg)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/moravel.png")
done
for file in "${expected[@]}"; do
    grep -qxF "$file" "$scratch/files" || fail "the package lacks $file"
done

# The dependencies: what the programs link, and the driver Qt loads as a plug-in.
depends=$(dpkg-deb -f "$deb" Depends)
echo "check-package: Depends: $depends"
core=libqt${qt}core${qt}
[ "$qt" = 5 ] && core=libqt5core5a
for library in "$core" "libqt${qt}gui${qt}" "libqt${qt}widgets${qt}" "libqt${qt}network${qt}" "libqt${qt}sql${qt}" \
    "libqt${qt}sql${qt}-sqlite" zlib1g 'libstdc\+\+6'; do
    grep -qE "(^|, )${library}( |,|$)" <<<"$depends" || fail "the package does not depend on ${library//\\/}"
done

# The desktop entry.
dpkg-deb -x "$deb" "$scratch/root"
entry="$scratch/root/usr/share/applications/moravel.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec=moravel %F' "$entry" || fail "the desktop entry does not run 'moravel %F'"
grep -qx 'MimeType=application/x-zxp;application/x-mxp;' "$entry" || fail "the desktop entry does not declare both types"

# The MIME description, in a MIME database of its own.
data="$scratch/data"
mkdir -p "$data/mime/packages" "$scratch/home"
cp "$scratch/root/usr/share/mime/packages/moravel.xml" "$data/mime/packages/"
# It says nothing when all is well; a warning means part of the file was ignored.
if ! XDG_DATA_DIRS="$data" XDG_DATA_HOME="$scratch/home" update-mime-database "$data/mime" >"$scratch/update.log" 2>&1 \
    || grep -q . "$scratch/update.log" || [ ! -s "$data/mime/globs2" ]; then
    cat "$scratch/update.log" >&2
    fail "update-mime-database rejects the MIME description"
fi
# File::MimeInfo retries a name in lower case, so it cannot see a glob marked
# case-sensitive ("cs"), which GLib's file managers would honour.
! grep -E '^[0-9]+:application/x-[zm]xp:.*:cs' "$data/mime/globs2" || fail "a glob is case-sensitive"

eval "$(scripts/make-demo-profile.sh "$scratch/dw")" >/dev/null
samples="$scratch/samples"
mkdir -p "$samples"
cp "$scratch/dw/Packages/Velkor Tidy.zxp" "$samples/tidy.zxp"
cp "$scratch/dw/Packages/Velkor Tidy.zxp" "$samples/TIDY.ZXP"
cp "$scratch/dw/Packages/Velkor Tidy.zxp" "$samples/plain.zip"
cp "$scratch/dw/Packages/Velkor Snippets.mxp" "$samples/snippets.mxp"
cp "$scratch/dw/Packages/Velkor Snippets.mxp" "$samples/Snippets.Mxp"
# Outside a desktop session xdg-mime asks File::MimeInfo, which reads the
# databases on XDG_DATA_DIRS: ours first, then the system's for ZIP itself.
for pair in tidy.zxp:application/x-zxp TIDY.ZXP:application/x-zxp snippets.mxp:application/x-mxp \
    Snippets.Mxp:application/x-mxp plain.zip:application/zip; do
    file=${pair%%:*} want=${pair#*:}
    got=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
        XDG_DATA_DIRS="$data:/usr/share" XDG_DATA_HOME="$scratch/home" xdg-mime query filetype "$samples/$file") || fail "xdg-mime cannot query $file"
    [ "$got" = "$want" ] || fail "xdg-mime calls $file '$got', not $want"
done

# A double-click: the packaged program, started on a package, asks before it
# changes anything, so it is still running, waiting for the answer, and nothing
# is installed yet. The Store address points at a closed local port so that no
# request leaves the machine; Moravel's own folder is the scratch folder's.
export MORAVEL_CATALOGUE_URL=http://127.0.0.1:9/extensions.xml MORAVEL_DOWNLOADS_URL=http://127.0.0.1:9/
export MORAVEL_DATA_FOLDER="$scratch/data"
QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/moravel" "$samples/tidy.zxp" >"$scratch/moravel.log" 2>&1 &
pid=$!
for _ in $(seq 1 10); do
    kill -0 "$pid" 2>/dev/null || { cat "$scratch/moravel.log" >&2; fail "'moravel tidy.zxp' did not wait for its question"; }
    sleep 0.2
done
if "$scratch/root/usr/bin/moravel-cli" installed --json | grep -q '"com.velkor.tidy"'; then
    kill "$pid" 2>/dev/null || true
    fail "'moravel tidy.zxp' installed the package without asking"
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

echo "check-package: all checks passed for $(basename "$deb")"
