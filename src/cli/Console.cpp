#include "cli/Console.h"

#include "markup/Utf8.h"

#include <QJsonDocument>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Ends the text with a line break and flushes at once, so that the results
// and the messages between them reach the user in order. The parts are
// encoded one after another into one buffer: a report of a large package runs
// to hundreds of kilobytes, which a concatenation would copy twice over.
void writeLine(FILE* stream, std::initializer_list<QStringView> parts)
{
    qsizetype size = 1;
    QStringView last;
    for (const QStringView part : parts) {
        size += part.size();
        last = part.isEmpty() ? last : part;
    }
    QByteArray bytes;
    // Exact for ASCII; other text grows it.
    bytes.reserve(int(size));
    for (const QStringView part : parts) {
        Utf8::append(bytes, part);
    }
    if (!last.endsWith(QLatin1Char('\n'))) {
        bytes.append('\n');
    }
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void Console::out(const QString& text)
{
    writeLine(stdout, { text });
}

void Console::out(std::initializer_list<QStringView> parts)
{
    writeLine(stdout, parts);
}

void Console::error(const QString& text)
{
    writeLine(stderr, { text });
}

void Console::json(const QJsonObject& object)
{
    out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
}

bool Console::isTerminal(FILE* stream)
{
#ifdef Q_OS_WIN
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) == 1;
#endif
}

QString Console::table(const QList<QStringList>& rows)
{
    QList<int> widths;
    for (const QStringList& row : rows) {
        for (int column = 0; column < row.size(); ++column) {
            if (column == widths.size())
                widths << 0;
            widths[column] = qMax(widths.at(column), row.at(column).size());
        }
    }
    QStringList lines;
    for (const QStringList& row : rows) {
        QString line;
        for (int column = 0; column < row.size(); ++column)
            line += column + 1 < row.size() ? row.at(column).leftJustified(widths.at(column) + 2) : row.at(column);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}
