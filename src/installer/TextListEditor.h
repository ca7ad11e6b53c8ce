#pragma once

#include "discovery/ConfigurationInsert.h"
#include "installer/EntryEditor.h"

#include <QList>
#include <QString>

// Adds and removes the lines a manifest gives for Extensions.txt and
// FTPExtensionMap.txt. These are plain lists, not markup: every line but the
// ones added or taken out stays as it was, line ends included.
class TextListEditor
{
public:
    // Each line goes at the end of the text, ended as the text's first line
    // is; a line already there (in any case) is not added twice. With
    // keepFirstLine the first line is neither compared nor touched:
    // Extensions.txt lists every extension there, for "All Documents".
    // placed, when given, receives each line added, as removeLines finds it.
    static QString addLines(const QString& text, const QList<ConfigurationInsert>& inserts,
        InstallReport::EntryKind kind, bool keepFirstLine, EntryEditor::EntryResults* results = nullptr,
        EntryEditor::Placed* placed = nullptr);
    // Takes out the last line that reads exactly as each entry's inserted
    // text, the last entry first.
    static QString removeLines(const QString& text, const EntryEditor::Placed& entries, bool keepFirstLine,
        EntryEditor::EntryResults* results = nullptr);
};
