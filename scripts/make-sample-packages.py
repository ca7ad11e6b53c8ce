#!/usr/bin/env python3
"""Writes sample extension packages for trying installs and removals:
a ZXP (a ZIP archive) and an MXP (named records of zlib-compressed chunks),
each with files, menu entries and an Insert-bar button, and a ZXP with a
licence agreement, where to find it, and a request to restart Dreamweaver.
Usage: scripts/make-sample-packages.py <folder>"""
import os
import struct
import sys
import zipfile
import zlib

# Smallest valid PNG: one transparent pixel.
PIXEL_PNG = bytes.fromhex(
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
    "1f15c4890000000d49444154789c6360000002000001e221bc330000000049454e44ae426082")


def manifest(ext_id, name, description, files, changes, notes='', restart=False):
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<macromedia-extension id="%s" name="%s" version="1.0.0" type="Command"%s>'
        % (ext_id, name, ' requires-restart="true"' if restart else ''),
        '  <author name="Velkor" />',
        '  <products>',
        '    <product name="Dreamweaver" version="12" primary="true" />',
        '  </products>',
        '  <description><![CDATA[%s]]></description>' % description,
    ] + ([notes.rstrip('\n')] if notes else []) + [
        '  <files>',
    ]
    for source, destination, _ in files:
        lines.append('    <file source="%s" destination="%s" />' % (source, destination))
    lines += ['  </files>', '  <configuration-changes>', changes.rstrip('\n'), '  </configuration-changes>',
              '</macromedia-extension>', '']
    return '\n'.join(lines).encode('utf-8')


def write_zxp(path, mxi_name, mxi, files):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as archive:
        archive.writestr(mxi_name, mxi)
        for source, _, data in files:
            archive.writestr(source, data)


def mxp_record(name, data, chunk_size=4096):
    encoded = name.replace('/', '\\').encode('utf-8')
    record = struct.pack('<i', len(encoded)) + encoded + bytes(20)
    for start in range(0, len(data), chunk_size):
        chunk = data[start:start + chunk_size]
        compressed = zlib.compress(chunk)
        record += struct.pack('<ii', len(chunk), len(compressed)) + compressed
    return record + struct.pack('<ii', 0, 0)


def write_mxp(path, mxi_name, mxi, files):
    body = b'MXP\x00\x01\x00\x00\x00' + mxp_record(mxi_name, mxi)
    for source, _, data in files:
        body += mxp_record(source, data)
    with open(path, 'wb') as out:
        out.write(body)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: %s <folder>\n' % sys.argv[0])
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)

    tidy_files = [
        ('Commands/Velkor Tidy.htm', '$dreamweaver/Configuration/Commands/Velkor',
         b'<html>\n<head><title>Velkor Tidy</title>\n<script src="Velkor Tidy.js"></script></head>\n'
         b'<body></body>\n</html>\n'),
        ('Commands/Velkor Tidy.js', '$dreamweaver/Configuration/Commands/Velkor',
         b'function runCommand() {\n  var dom = dw.getDocumentDOM();\n  dom.source.applyFormatting();\n}\n'),
        ('Objects/Velkor/Tidy.png', '$dreamweaver/Configuration/Objects/Velkor', PIXEL_PNG),
    ]
    tidy_changes = '''    <menu-insert appendTo="DWMenu_Commands">
      <menuitem name="Velkor _Tidy" file="Commands/Velkor/Velkor Tidy.htm" id="Velkor_Tidy_Menu" />
    </menu-insert>
    <menu-insert appendTo="DWCodeContextMenu">
      <separator id="Velkor_Tidy_Separator" />
    </menu-insert>
    <insertbar-insert>
      <category id="Velkor_Insertbar" folder="Velkor">
        <button id="Velkor_Tidy_Button" name="Tidy" image="Objects/Velkor/Tidy.png" file="Commands/Velkor/Velkor Tidy.htm" />
      </category>
    </insertbar-insert>
'''
    write_zxp(os.path.join(folder, 'Velkor Tidy.zxp'), 'Velkor Tidy.mxi',
              manifest('com.velkor.tidy', 'Velkor Tidy', 'Tidies the markup of the current document.',
                       tidy_files, tidy_changes), tidy_files)

    snippet_files = [
        ('Objects/Common/Velkor Card.htm', '$dreamweaver/Configuration/Objects/Common',
         b'<html>\n<head><title>Card</title></head>\n<body>\n<div class="card"></div>\n</body>\n</html>\n'),
        ('Objects/Common/Velkor Card.png', '$dreamweaver/Configuration/Objects/Common', PIXEL_PNG),
        ('Commands/Velkor/Velkor Snippets.htm', '$dreamweaver/Configuration/Commands/Velkor/Snippets',
         b'<html>\n<body>\n<p>Velkor snippets</p>\n</body>\n</html>\n'),
    ]
    snippet_changes = '''    <menu-insert appendTo="DWMenu_Insert">
      <menuitem name="Velkor _Card" file="Objects/Common/Velkor Card.htm" id="Velkor_Snippets_Card" />
    </menu-insert>
    <menu-insert appendTo="DWMenu_Insert_Form">
      <menuitem name="Velkor _Signup Form" file="Commands/Velkor/Velkor Snippets.htm" id="Velkor_Snippets_Form" />
    </menu-insert>
    <insertbar-insert>
      <category id="DW_Insertbar_Common" folder="Common">
        <button id="Velkor_Card_Button" name="Card" image="Common/Velkor Card.png" file="Common/Velkor Card.htm" />
      </category>
    </insertbar-insert>
'''
    write_mxp(os.path.join(folder, 'Velkor Snippets.mxp'), 'Velkor Snippets.mxi',
              manifest('com.velkor.snippets', 'Velkor Snippets', 'Adds a card to the Insert menu and bar.',
                       snippet_files, snippet_changes), snippet_files)

    licensed_files = [
        ('Commands/Velkor Licensed.htm', '$dreamweaver/Configuration/Commands/Velkor',
         b'<html>\n<body>\n<p>Velkor Licensed</p>\n</body>\n</html>\n'),
    ]
    licensed_changes = '''    <menu-insert appendTo="DWMenu_Commands">
      <menuitem name="Velkor _Licensed" file="Commands/Velkor/Velkor Licensed.htm" id="Velkor_Licensed_Menu" />
    </menu-insert>
'''
    licensed_notes = '''  <ui-access><![CDATA[Commands &gt; Velkor Licensed]]></ui-access>
  <license-agreement><![CDATA[<p>Velkor Licensed may be used on <b>one</b> computer.</p>
<p>It comes with no warranty.</p>]]></license-agreement>
'''
    write_zxp(os.path.join(folder, 'Velkor Licensed.zxp'), 'Velkor Licensed.mxi',
              manifest('com.velkor.licensed', 'Velkor Licensed', 'Asks for its licence to be accepted.',
                       licensed_files, licensed_changes, licensed_notes, restart=True), licensed_files)
    return 0


if __name__ == '__main__':
    sys.exit(main())
