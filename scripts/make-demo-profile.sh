#!/usr/bin/env bash
# Writes a small stand-in for a Windows machine with two Dreamweaver versions,
# so that the program has something to find on Linux:
#   <folder>/AppData/Roaming     -> APPDATA (per-user configuration, version.xml)
#   <folder>/ProgramData         -> ALLUSERSPROFILE (no ExMan.db: the folder scan finds them)
#   <folder>/Program Files       -> ProgramW6432 (program folders with Menus.xml, insertbar.xml)
#   <folder>/Packages            -> sample packages to install: Velkor Tidy.zxp, Velkor Snippets.mxp,
#                                   Velkor Licensed.zxp (with a licence agreement)
# Usage: scripts/make-demo-profile.sh <folder>
# Prints the three export lines to stdout. Safe to run again: files are rewritten.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <folder>" >&2
    exit 2
fi
mkdir -p "$1"
root=$(cd "$1" && pwd)
appdata="$root/AppData/Roaming"
programdata="$root/ProgramData"
programfiles="$root/Program Files"

write_version_xml() { # <configuration folder> <version number> <locale>
    mkdir -p "$1"
    cat >"$1/version.xml" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<versioninfo>
    <installinfo productname="Dreamweaver" versionnum="$2" build="demo" locale="$3" />
</versioninfo>
EOF
}

write_menus_xml() { # <file>
    mkdir -p "$(dirname "$1")"
    cat >"$1" <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<!-- Menus of the demo installation: a menu bar with a few menus, items and separators. -->
<menus>
    <menubar name="Main Window" id="DWMainWindow">
        <menu name="_File" id="DWMenu_File">
            <menuitem name="_New..." key="Cmd+N" file="Menus/File/New.htm" id="DWMenu_File_New" />
            <menuitem name="_Open..." key="Cmd+O" file="Menus/File/Open.htm" id="DWMenu_File_Open" />
            <separator />
            <menuitem name="_Save" key="Cmd+S" file="Menus/File/Save.htm" id="DWMenu_File_Save" />
            <menuitem name="Save _As..." key="Cmd+Shift+S" file="Menus/File/SaveAs.htm" id="DWMenu_File_SaveAs" />
            <separator />
            <menuitem name="E_xit" key="Cmd+Q" file="Menus/File/Exit.htm" id="DWMenu_File_Exit" />
        </menu>
        <menu name="_Edit" id="DWMenu_Edit">
            <menuitem name="_Undo" key="Cmd+Z" file="Menus/Edit/Undo.htm" id="DWMenu_Edit_Undo" />
            <menuitem name="_Redo" key="Cmd+Y" file="Menus/Edit/Redo.htm" id="DWMenu_Edit_Redo" />
            <separator />
            <!-- Clipboard commands -->
            <menuitem name="Cu_t" key="Cmd+X" file="Menus/Edit/Cut.htm" id="DWMenu_Edit_Cut" />
            <menuitem name="_Copy" key="Cmd+C" file="Menus/Edit/Copy.htm" id="DWMenu_Edit_Copy" />
            <menuitem name="_Paste" key="Cmd+V" file="Menus/Edit/Paste.htm" id="DWMenu_Edit_Paste" />
        </menu>
        <menu name="_Insert" id="DWMenu_Insert">
            <menuitem name="_Image" file="Menus/Insert/Image.htm" id="DWMenu_Insert_Image" />
            <menuitem name="_Table" file="Menus/Insert/Table.htm" id="DWMenu_Insert_Table" />
            <separator />
            <menu name="_Form" id="DWMenu_Insert_Form">
                <menuitem name="_Form" file="Menus/Insert/Form.htm" id="DWMenu_Insert_Form_Form" />
                <menuitem name="_Text Field" file="Menus/Insert/TextField.htm" id="DWMenu_Insert_Form_TextField" />
            </menu>
        </menu>
        <menu name="_Commands" id="DWMenu_Commands">
            <menuitem name="_Clean Up HTML..." file="Menus/Commands/CleanUpHTML.htm" id="DWMenu_Commands_CleanUpHTML" />
            <separator id="DWMenu_Commands_ExtensionsSeparator" />
        </menu>
        <menu name="_Help" id="DWMenu_Help">
            <menuitem name="_About Dreamweaver" file="Menus/Help/About.htm" id="DWMenu_Help_About" />
        </menu>
    </menubar>
    <!-- Context menu of the code view -->
    <menubar name="Code view context menu" id="DWCodeContext">
        <menu name="" id="DWCodeContextMenu">
            <menuitem name="Cu_t" file="Menus/Edit/Cut.htm" id="DWCodeContext_Cut" />
            <menuitem name="_Copy" file="Menus/Edit/Copy.htm" id="DWCodeContext_Copy" />
            <menuitem name="_Paste" file="Menus/Edit/Paste.htm" id="DWCodeContext_Paste" />
        </menu>
    </menubar>
</menus>
EOF
}

write_insertbar_xml() { # <file>
    mkdir -p "$(dirname "$1")"
    printf '%s\n' \
        '<?xml version="1.0" encoding="utf-8"?>' \
        '<!-- Insert bar of the demo installation: two categories of buttons. -->' \
        '<insertbar>' \
        '	<category id="DW_Insertbar_Common" folder="Common">' \
        '		<button id="DW_Hyperlink" name="Hyperlink" image="Common/Hyperlink.png" file="Common/Hyperlink.htm" />' \
        '		<button id="DW_Email" name="Email Link" image="Common/Email.png" file="Common/Email.htm" />' \
        '		<separator />' \
        '		<button id="DW_Image" name="Image" image="Common/Image.png" file="Common/Image.htm" />' \
        '		<!-- Tables come last -->' \
        '		<button id="DW_Table" name="Table" image="Common/Table.png" file="Common/Table.htm" />' \
        '	</category>' \
        '	<category id="DW_Insertbar_Forms" folder="Forms">' \
        '		<button id="DW_Form" name="Form" image="Forms/Form.png" file="Forms/Form.htm" />' \
        '		<button id="DW_TextField" name="Text Field" image="Forms/TextField.png" file="Forms/TextField.htm" />' \
        '		<button id="DW_Button" name="Button" image="Forms/Button.png" file="Forms/Button.htm" />' \
        '	</category>' \
        '</insertbar>' >"$1"
}

# write_stored_manifest <installation folder> <locale> <file> <id> <name> <version> <author> <description>
# An extension as the installer leaves it: its manifest copy in the locale's store,
# its two command files, and its menu item in the locale's own copy of Menus.xml,
# so that verify finds it whole.
write_stored_manifest() {
    local configuration="$appdata/$1/$2/Configuration"
    local store="$configuration/Shared/Velkor/MXI"
    mkdir -p "$store" "$configuration/Commands" "$configuration/Menus"
    printf '<html><body>%s</body></html>\n' "$5" >"$configuration/Commands/$4.htm"
    printf '// %s\n' "$5" >"$configuration/Commands/$4.js"
    local menus="$configuration/Menus/Menus.xml"
    [ -f "$menus" ] || cp "$programfiles/${1%%/*}/${1%%/*} ${1#*/}/Configuration/Menus/Menus.xml" "$menus"
    # appendTo: the item goes last in the Commands menu.
    awk -v item="            <menuitem name=\"$5\" file=\"Commands/$4.htm\" id=\"Demo_$4\" />" '
        /id="DWMenu_Commands"/ { inside = 1 }
        inside && /<\/menu>/ { print item; inside = 0 }
        { print }' "$menus" >"$menus.new"
    mv "$menus.new" "$menus"
    cat >"$store/$3" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<!-- Stored by the installer -->
<macromedia-extension id="$4" name="$5" version="$6" type="Command" requires-restart="true">
  <products>
    <product name="Dreamweaver" version="8" primary="true" />
  </products>
  <author name="$7" />
  <description>
  <![CDATA[$8]]>
  </description>
  <files>
    <file source="$4.htm" destination="\$dreamweaver/Configuration/Commands" />
    <file source="$4.js" destination="\$dreamweaver/Configuration/Commands" platform="win" />
  </files>
  <configuration-changes>
    <menu-insert appendTo="DWMenu_Commands">
      <menuitem name="$5" file="Commands/$4.htm" id="Demo_$4" />
    </menu-insert>
  </configuration-changes>
</macromedia-extension>
EOF
}

# make_installation <vendor> <folder name> <version> <locale>...
make_installation() {
    local vendor=$1 folder=$2 version=$3
    shift 3
    local user="$appdata/$vendor/$folder"
    local locale
    for locale in "$@"; do
        write_version_xml "$user/$locale/Configuration" "$version" "$locale"
    done
    # Where the program looks when the registry has no install path.
    local program="$programfiles/$vendor/$vendor $folder"
    write_menus_xml "$program/Configuration/Menus/Menus.xml"
    write_insertbar_xml "$program/Configuration/Objects/insertbar.xml"
}

make_installation Adobe "Dreamweaver CS6" 12.0.0.5808 en_US de_DE
make_installation Adobe "Dreamweaver 2021" 21.0.0.15392 en_US
write_stored_manifest "Adobe/Dreamweaver CS6" en_US TableSorter.mxi tablesorter "Table Sorter &amp; Filter" 2.1.0 \
    Velkor "Sorts and filters the rows of a table."
write_stored_manifest "Adobe/Dreamweaver CS6" en_US LoremIpsum.mxi loremipsum "Lorem Ipsum Generator" 1.4 \
    "Acme Web Tools" "Inserts placeholder text."
# The same file in a second locale is listed once.
write_stored_manifest "Adobe/Dreamweaver CS6" de_DE TableSorter.mxi tablesorter "Table Sorter &amp; Filter" 2.1.0 \
    Velkor "Sorts and filters the rows of a table."
write_stored_manifest "Adobe/Dreamweaver 2021" en_US ImageGallery.mxi imagegallery "Image Gallery" 3.0.2 \
    "Acme Web Tools" "Builds a gallery page from a folder of images."
mkdir -p "$programdata"
python3 "$(dirname "$0")/make-sample-packages.py" "$root/Packages"

printf 'export APPDATA=%q\n' "$appdata"
printf 'export ALLUSERSPROFILE=%q\n' "$programdata"
printf 'export ProgramW6432=%q\n' "$programfiles"
