// Applies a manifest's menu entries and Insert-bar buttons to a configuration
// text and takes them out again: both the text (Menus.xml or insertbar.xml as
// found on disk) and the manifest (from a package) are arbitrary. The input is
// the configuration text, a zero byte, then the manifest.
#include "discovery/ExtensionInfo.h"
#include "installer/EntryEditor.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const int split = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(bytes.left(split < 0 ? bytes.size() : split));
    ExtensionInfo record(split < 0 ? QByteArray() : bytes.mid(split + 1), QStringLiteral("fuzz.mxi"));
    record.parseDetails();

    // Taken out as a removal does, by what the editor says it placed.
    EntryEditor::Placed placed;
    QString edited = EntryEditor::addMenuInserts(text, record.menuInserts(), nullptr, &placed);
    edited = EntryEditor::addInsertbarInserts(edited, record.insertbarInserts(), nullptr, &placed);
    edited = EntryEditor::removeEntries(edited, placed);
    // Without entries nothing may change, not even a character.
    if (record.menuInserts().isEmpty() && record.insertbarInserts().isEmpty() && edited != text) {
        __builtin_trap();
    }
    return 0;
}
