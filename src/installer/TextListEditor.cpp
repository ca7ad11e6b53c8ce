#include "installer/TextListEditor.h"

namespace {

struct Line
{
    int start;
    int length; // without its end
    int endLength; // 0 for a last line with no end
};

QList<Line> linesOf(const QString& text)
{
    QList<Line> lines;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\n') && text.at(i) != QLatin1Char('\r')) {
            continue;
        }
        const int endLength
            = text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n') ? 2 : 1;
        lines.append({ start, i - start, endLength });
        i += endLength - 1;
        start = i + 1;
    }
    if (start < text.size()) {
        lines.append({ start, static_cast<int>(text.size()) - start, 0 });
    }
    return lines;
}

QString lineEndOf(const QString& text, const QList<Line>& lines)
{
    return lines.isEmpty() || lines.front().endLength == 0
        ? QStringLiteral("\r\n")
        : text.mid(lines.front().start + lines.front().length, lines.front().endLength);
}

using Outcome = InstallReport::EntryOutcome;

InstallReport::EntryResult row(InstallReport::EntryKind kind, const QString& line, Outcome outcome)
{
    return InstallReport::EntryResult::of(kind, line, QString(), outcome);
}

} // namespace

QString TextListEditor::addLines(const QString& text, const QList<ConfigurationInsert>& inserts,
    InstallReport::EntryKind kind, bool keepFirstLine, EntryEditor::EntryResults* results, EntryEditor::Placed* placed)
{
    QString edited = text;
    for (const ConfigurationInsert& entry : inserts) {
        const QList<Line> lines = linesOf(edited);
        bool present = false;
        for (int i = keepFirstLine ? 1 : 0; i < lines.size() && !present; ++i) {
            present
                = edited.mid(lines.at(i).start, lines.at(i).length).trimmed().compare(entry.markup, Qt::CaseInsensitive)
                == 0;
        }
        // Dreamweaver's own lists are written on Windows; a new one is too.
        const QString lineEnd = lineEndOf(edited, lines);
        if (!present) {
            // A last line without an end keeps that shape: the new line takes its place as the last.
            const QString inserted
                = !lines.isEmpty() && lines.back().endLength == 0 ? lineEnd + entry.markup : entry.markup + lineEnd;
            edited += inserted;
            if (placed) {
                InstallRecord::Entry line;
                line.kind = kind;
                line.id = entry.markup;
                line.inserted = inserted;
                line.ids = QStringList { entry.markup };
                placed->append(std::move(line));
            }
        }
        if (results) {
            results->append(row(kind, entry.markup, present ? Outcome::AlreadyPresent : Outcome::Added));
        }
    }
    return edited;
}

QString TextListEditor::removeLines(
    const QString& text, const EntryEditor::Placed& entries, bool keepFirstLine, EntryEditor::EntryResults* results)
{
    QString edited = text;
    for (int e = entries.size() - 1; e >= 0; --e) {
        const InstallRecord::Entry& entry = entries.at(e);
        const QString line = entry.ids.value(0);
        const QList<Line> lines = linesOf(edited);
        Outcome outcome = Outcome::NotPresent;
        for (int i = lines.size() - 1; i >= (keepFirstLine ? 1 : 0) && !line.isEmpty(); --i) {
            const Line& found = lines.at(i);
            if (edited.mid(found.start, found.length) != line) {
                continue;
            }
            // The last line, without an end of its own, takes the previous line's end with it.
            const int previousEnd = found.endLength == 0 && i > 0 ? lines.at(i - 1).endLength : 0;
            edited.remove(found.start - previousEnd, previousEnd + found.length + found.endLength);
            outcome = Outcome::Removed;
            break;
        }
        if (results) {
            results->append(row(entry.kind, line, outcome));
        }
    }
    return edited;
}
