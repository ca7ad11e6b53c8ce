#!/usr/bin/env bash
# Runs the Windows build (scripts/windows/build.sh, in build-windows/) under
# Wine in a scratch prefix: the non-GUI test suites through CTest, then a
# moravel-cli session against a Dreamweaver CS6 set up as its installer
# would (32-bit registry key, program and per-user folders): list, install,
# verify and remove, checking that Menus.xml keeps its CRLF line ends and
# comes back byte for byte; then the setup, silently, and its uninstaller.
# `test.sh suites` or `test.sh cli` (the session and the setup) runs one half.
set -euo pipefail
part="${1:-all}"
cd "$(dirname "$0")/../.."
root="$PWD"
build="${MORAVEL_WINDOWS_BUILD:-build-windows}"
wine="$root/scripts/windows/wine.sh"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/moravel-wine.XXXXXX")"
export WINEPREFIX="$scratch/prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server_pid=""
cleanup() {
    "$wine" --server -k >/dev/null 2>&1 || true
    # A persistent server whose prefix is gone would otherwise outlive the run.
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# The session starts before the tests: wineboot makes the prefix, and a test
# that finishes while Wine is still setting up would be held to its time-out.
"$wine" wineboot --init >/dev/null 2>&1
# Wine does not hand QT_* variables to Windows programs; the prefix's
# environment does. TMP and TEMP are where Windows programs (and QTemporaryDir) write.
mkdir -p "$scratch/tmp"
"$wine" reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null
# QtTest writes to the debugger, not to a standard output that is no console, unless told.
"$wine" reg add 'HKCU\Environment' /v QT_FORCE_STDERR_LOGGING /d 1 /f >/dev/null
"$wine" reg add 'HKCU\Environment' /v TMP /d "Z:${scratch//\//\\}\\tmp" /f >/dev/null
"$wine" reg add 'HKCU\Environment' /v TEMP /d "Z:${scratch//\//\\}\\tmp" /f >/dev/null
"$wine" --server -w
# One Wine session for the whole run, its services started before the first
# test: a test that ends while a new session sets itself up is otherwise held
# until its time-out.
"$wine" --server -p >/dev/null 2>&1 &
server_pid=$!
"$wine" wineboot >/dev/null 2>&1

status=0
if [ "$part" != cli ]; then
    (cd "$build" && ctest --output-on-failure -j "$(nproc)") || status=1
fi
if [ "$part" = suites ]; then
    exit "$status"
fi

echo "moravel-cli session under Wine"
drive_c="$WINEPREFIX/drive_c"
user="$(ls "$drive_c/users" | grep -v -x -e Public -e root | head -n1 || true)"
[ -n "$user" ] || user="$(id -un)"
appdata="$drive_c/users/$user/AppData/Roaming"
program='C:\Program Files (x86)\Adobe\Adobe Dreamweaver CS6'
program_dir="$drive_c/Program Files (x86)/Adobe/Adobe Dreamweaver CS6"
configuration="$appdata/Adobe/Dreamweaver CS6/en_US/Configuration"
mkdir -p "$configuration/Menus" "$program_dir/Configuration/Menus" "$program_dir/Configuration/Objects"
printf '%s\r\n' '<?xml version="1.0" encoding="utf-8"?>' '<versioninfo>' \
    '    <installinfo productname="Dreamweaver" versionnum="12.0.0.5808" locale="en_US" />' \
    '</versioninfo>' >"$configuration/version.xml"
printf '%s\r\n' '<?xml version="1.0" encoding="utf-8"?>' '<menus>' \
    '    <menubar name="Main Window" id="DWMainWindow">' \
    '        <menu name="_Commands" id="DWMenu_Commands">' \
    '            <menuitem name="_Clean Up HTML..." file="Menus/Commands/CleanUpHTML.htm" id="DWMenu_Commands_CleanUpHTML" />' \
    '            <separator id="DWMenu_Commands_ExtensionsSeparator" />' \
    '        </menu>' \
    '    </menubar>' \
    '    <menubar name="Code Context Menu" id="DWCodeContext">' \
    '        <menu name="" id="DWCodeContextMenu">' \
    '            <menuitem name="Cu_t" file="Menus/Edit/Cut.htm" id="DWCodeContext_Cut" />' \
    '        </menu>' \
    '    </menubar>' '</menus>' >"$configuration/Menus/Menus.xml"
cp "$configuration/Menus/Menus.xml" "$program_dir/Configuration/Menus/Menus.xml"
printf '%s\r\n' '<?xml version="1.0" encoding="utf-8"?>' '<insertbar>' \
    '    <category id="DW_Insertbar_Common" folder="Common">' \
    '        <button id="DW_Hyperlink" name="Hyperlink" image="Common/Hyperlink.png" file="Common/Hyperlink.htm" />' \
    '    </category>' '</insertbar>' >"$program_dir/Configuration/Objects/insertbar.xml"
cp "$configuration/Menus/Menus.xml" "$scratch/Menus.before"
"$wine" reg add 'HKLM\SOFTWARE\Adobe\Dreamweaver\12\Installation' /v InstallPath /d "$program" /f /reg:32 >/dev/null
python3 scripts/make-sample-packages.py "$scratch/packages" >/dev/null

cli=("$wine" "$root/$build/bin/moravel-cli.exe")
fail() {
    echo "moravel-cli under Wine: $*" >&2
    exit 1
}
listed="$("${cli[@]}" list | tr -d '\r')"
echo "$listed"
grep -q "Dreamweaver CS6" <<<"$listed" || fail "list does not name Dreamweaver CS6"
grep -qF "$program" <<<"$listed" || fail "list does not give CS6's program folder from the registry"
package="Z:${scratch//\//\\}\\packages\\Velkor Tidy.zxp"
"${cli[@]}" install --yes "$package" | tr -d '\r' || fail "install failed"
cmp -s "$scratch/Menus.before" "$configuration/Menus/Menus.xml" && fail "install left Menus.xml unchanged"
if grep -q $'[^\r]$' "$configuration/Menus/Menus.xml"; then
    fail "install wrote a line of Menus.xml without its CR"
fi
installed="$("${cli[@]}" installed | tr -d '\r')"
echo "$installed"
grep -q "com.velkor.tidy" <<<"$installed" || fail "installed does not list Velkor Tidy"
"${cli[@]}" verify | tr -d '\r' || fail "verify found faults"
"${cli[@]}" remove --yes com.velkor.tidy | tr -d '\r' || fail "remove failed"
cmp "$scratch/Menus.before" "$configuration/Menus/Menus.xml" || fail "remove did not restore Menus.xml byte for byte"
echo "moravel-cli session under Wine: list, install, verify and remove passed"

# A file deeper than Windows' old 260-character limit: extensions nest their
# files far below %APPDATA%, and a user name or locale adds to every path.
deep_folder="$(printf 'Velkor-Deep-%048d/' 1 2 3 4)"
deep_folder="${deep_folder%/}"
python3 - "$scratch/packages/Deep.zxp" "$deep_folder" <<'PYTHON'
import sys, zipfile
path, folder = sys.argv[1], sys.argv[2]
mxi = """<?xml version="1.0" encoding="UTF-8"?>
<macromedia-extension id="com.velkor.deep" name="Velkor Deep" version="1.0.0" type="Command">
  <author name="Velkor" />
  <products><product name="Dreamweaver" version="12" primary="true" /></products>
  <description><![CDATA[A file below a long path.]]></description>
  <files><file source="deep.js" destination="$dreamweaver/Configuration/Shared/FOLDER/" /></files>
</macromedia-extension>
""".replace("FOLDER", folder)
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
    archive.writestr("Deep.mxi", mxi)
    archive.writestr("deep.js", "// deep\n")
PYTHON
deep_file="$configuration/Shared/$deep_folder/deep.js"
windows_length=$(( ${#deep_file} - ${#drive_c} + 2 ))
[ "$windows_length" -gt 260 ] || fail "the long-path file is only $windows_length characters"
"${cli[@]}" install --yes "Z:${scratch//\//\\}\\packages\\Deep.zxp" | tr -d '\r' || fail "install of a long path failed"
[ -f "$deep_file" ] || fail "install did not write the file $windows_length characters deep"
"${cli[@]}" verify | tr -d '\r' || fail "verify found faults in the long-path install"
"${cli[@]}" remove --yes com.velkor.deep | tr -d '\r' || fail "remove of a long path failed"
[ ! -e "$deep_file" ] || fail "remove left the file $windows_length characters deep"
echo "moravel-cli session under Wine: a file $windows_length characters deep installed, verified and removed"

# The setup, silently, per user: the programs, both associations and the
# uninstall entry; then its uninstaller takes them all away again.
setup="$(ls "$root/$build"/Moravel-*-setup.exe | head -n1)"
classes='HKCU\Software\Classes'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Moravel'
has_key() { "$wine" reg query "$1" >/dev/null 2>&1; }
"$wine" "$setup" /S || fail "the setup failed"
installed_dir="$drive_c/users/$user/AppData/Local/Programs/Moravel"
[ -f "$installed_dir/moravel.exe" ] && [ -f "$installed_dir/platforms/qwindows.dll" ] || fail "the setup left no program"
for key in "$classes\.zxp" "$classes\.mxp" "$classes\Moravel.zxp\shell\open\command" \
    "$classes\Moravel.mxp\shell\open\command" "$uninstall_key"; do
    has_key "$key" || fail "the setup did not write $key"
done
"$wine" reg query "$classes\Moravel.zxp\shell\open\command" | grep -qF 'moravel.exe" "%1"' \
    || fail "a .zxp does not open with moravel.exe"
# The uninstaller runs from a copy of itself in the temporary folder and returns at once.
"$wine" "$installed_dir/uninstall.exe" /S || fail "the uninstaller failed"
for _ in $(seq 60); do
    has_key "$uninstall_key" || break
    sleep 1
done
for key in "$classes\.zxp" "$classes\.mxp" "$classes\Moravel.zxp" "$classes\Moravel.mxp" "$uninstall_key"; do
    has_key "$key" && fail "the uninstaller left $key"
done
[ ! -e "$installed_dir/moravel.exe" ] || fail "the uninstaller left the program"
echo "setup and uninstaller under Wine: installed per user with both associations, removed again"
# A failed suite above fails the run too, once the session has been tried.
exit "$status"
