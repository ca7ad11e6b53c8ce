#include "installer/MarkupBalance.h"

#include <QStringView>

#include <algorithm>
#include <vector>

namespace {

bool endsName(QChar c)
{
    return c.isSpace() || c == QLatin1Char('>') || c == QLatin1Char('/') || c == QLatin1Char('<')
        || c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// Where a DOCTYPE starting at `from` ends (past its ">"), its internal subset
// in brackets and quoted literals included; -1 when it never does.
int declarationEnd(const QString& text, int from)
{
    QChar quote;
    int brackets = 0;
    for (int at = from; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (!quote.isNull()) {
            quote = c == quote ? QChar() : quote;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('[')) {
            ++brackets;
        } else if (c == QLatin1Char(']')) {
            --brackets;
        } else if (c == QLatin1Char('>') && brackets <= 0) {
            return at + 1;
        }
    }
    return -1;
}

// Whether XML allows the character anywhere in a document.
bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// What in markup no XML reader takes, whatever the tags around it: a
// character XML does not allow (a control character, half a surrogate pair),
// a character reference to one, or a reference to an entity XML does not
// define (HTML's "&nbsp;"). Comments and CDATA sections hold no references.
// Empty when there is none. A "&" that starts no reference passes, as
// Dreamweaver's own files hold such.
QString characterFault(const QString& markup)
{
    static const QStringList defined { QStringLiteral("amp"), QStringLiteral("lt"), QStringLiteral("gt"),
        QStringLiteral("quot"), QStringLiteral("apos") };
    const QStringView text(markup);
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (c.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
            ++at;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("it holds half of a surrogate pair");
        if (!isXmlCharacter(c.unicode()))
            return QStringLiteral("it holds the character U+%1, which XML does not allow")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
        const QStringView rest = text.mid(at);
        const QLatin1String closing = rest.startsWith(QLatin1String("<!--")) ? QLatin1String("-->")
            : rest.startsWith(QLatin1String("<![CDATA["))                    ? QLatin1String("]]>")
                                                                             : QLatin1String();
        if (closing.size() > 0) {
            const qsizetype end = text.indexOf(closing, at);
            // Checked character by character all the same; only references are skipped.
            for (qsizetype k = at; k < (end < 0 ? text.size() : end); ++k) {
                const QChar inside = text.at(k);
                if (inside.isHighSurrogate() && k + 1 < text.size() && text.at(k + 1).isLowSurrogate())
                    ++k;
                else if (inside.isSurrogate() || !isXmlCharacter(inside.unicode()))
                    return QStringLiteral("it holds a character XML does not allow");
            }
            at = end < 0 ? text.size() : end + closing.size() - 1;
            continue;
        }
        if (c != QLatin1Char('&'))
            continue;
        qsizetype end = at + 1;
        while (end < text.size() && end - at <= 32
            && (text.at(end).isLetterOrNumber() || text.at(end) == QLatin1Char('#') || text.at(end) == QLatin1Char('_')
                || text.at(end) == QLatin1Char('-') || text.at(end) == QLatin1Char('.')
                || text.at(end) == QLatin1Char(':')))
            ++end;
        const QStringView name = text.mid(at + 1, end - at - 1);
        const bool terminated = end < text.size() && text.at(end) == QLatin1Char(';');
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x'));
            bool ok = false;
            const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (!terminated || !ok || !isXmlCharacter(code))
                return QStringLiteral("the character reference &%1; names no character XML allows").arg(name);
        } else if (terminated && !name.isEmpty() && !defined.contains(name.toString())) {
            return QStringLiteral("it refers to the entity &%1;, which XML does not define").arg(name);
        }
    }
    return QString();
}

} // namespace

bool MarkupBalance::check(const QString& markup, int depthOfPlace, QString* reason, QStringList* structure)
{
    const QString fault = characterFault(markup);
    if (!fault.isEmpty()) {
        *reason = fault;
        return false;
    }
    int failedAt = 0;
    return scan(markup, false, depthOfPlace, &failedAt, reason, structure);
}

bool MarkupBalance::checkDocument(const QString& text, int* line, QString* reason)
{
    int failedAt = 0;
    if (scan(text, true, 0, &failedAt, reason, nullptr)) {
        return true;
    }
    *line = 1 + int(std::count(text.constBegin(), text.constBegin() + failedAt, QLatin1Char('\n')));
    return false;
}

bool MarkupBalance::scan(
    const QString& markup, bool document, int depthOfPlace, int* failedAt, QString* reason, QStringList* structure)
{
    int pos = 0;
    const auto refuse = [&](int at, const QString& why) {
        *failedAt = at;
        *reason = why;
        return false;
    };
    // The position after the first `end` from `from` on, or -1.
    const auto past = [&markup](int from, QLatin1String end) {
        const int at = markup.indexOf(end, from);
        return at < 0 ? -1 : at + end.size();
    };
    // Where the open elements' names begin, innermost last: a hostile file
    // costs one number per level, never a copy of its names.
    std::vector<int> open;
    bool elementSeen = false;
    const int size = markup.size();
    const auto nameAt = [&markup, size](int begin) {
        int end = begin;
        while (end < size && !endsName(markup.at(end)))
            ++end;
        return QStringView(markup).mid(begin, end - begin);
    };
    for (pos = markup.indexOf(QLatin1Char('<')); pos >= 0; pos = markup.indexOf(QLatin1Char('<'), pos)) {
        const int tagBegin = pos;
        const QStringView rest = QStringView(markup).mid(pos);
        if (rest.startsWith(QLatin1String("<!--"))) {
            if ((pos = past(pos + 4, QLatin1String("-->"))) < 0)
                return refuse(tagBegin, QStringLiteral("a comment is not closed"));
            continue;
        }
        if (rest.startsWith(QLatin1String("<![CDATA["))) {
            if ((pos = past(pos + 9, QLatin1String("]]>"))) < 0)
                return refuse(tagBegin, QStringLiteral("a CDATA section is not closed"));
            continue;
        }
        if (rest.startsWith(QLatin1String("<?"))) {
            if ((pos = past(pos + 2, QLatin1String("?>"))) < 0)
                return refuse(tagBegin, QStringLiteral("a processing instruction is not closed"));
            continue;
        }
        // Declarations belong before the root element, never inside it.
        if (rest.startsWith(QLatin1String("<!"))) {
            const bool doctype = rest.startsWith(QLatin1String("<!DOCTYPE"), Qt::CaseInsensitive);
            if (document && doctype && !elementSeen) {
                if ((pos = declarationEnd(markup, pos + 2)) < 0)
                    return refuse(tagBegin, QStringLiteral("the DOCTYPE is not closed"));
                continue;
            }
            return refuse(
                tagBegin, doctype ? QStringLiteral("it holds a DOCTYPE") : QStringLiteral("it holds a declaration"));
        }
        const bool endTag = rest.startsWith(QLatin1String("</"));
        const int nameBegin = pos + (endTag ? 2 : 1);
        const QStringView name = nameAt(nameBegin);
        int at = nameBegin + int(name.size());
        // Attribute values may hold ">" and "<" inside their quotes; a quote
        // anywhere else in a tag is a fault, as a reader may take it either way.
        bool closed = false;
        bool strayQuote = false;
        for (; at < size; ++at) {
            const QChar c = markup.at(at);
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                int before = at - 1;
                while (before > nameBegin && markup.at(before).isSpace())
                    --before;
                strayQuote = markup.at(before) != QLatin1Char('=');
                const int valueEnd = markup.indexOf(c, at + 1);
                if (strayQuote || valueEnd < 0)
                    break;
                at = valueEnd;
            } else if (c == QLatin1Char('<')) {
                break;
            } else if (c == QLatin1Char('>')) {
                closed = true;
                break;
            }
        }
        if (name.isEmpty())
            return refuse(tagBegin, QStringLiteral("a \"<\" starts no tag"));
        if (strayQuote)
            return refuse(tagBegin, QStringLiteral("the tag <%1 holds a quote outside a value").arg(name));
        if (!closed)
            return refuse(tagBegin, QStringLiteral("the tag <%1 is not closed").arg(name));
        pos = at + 1;
        if (endTag) {
            if (open.empty() || nameAt(open.back()) != name)
                return refuse(tagBegin, QStringLiteral("the end tag </%1> closes no element it opened").arg(name));
            open.pop_back();
            if (structure)
                *structure << QStringLiteral("/");
            continue;
        }
        elementSeen = true;
        if (structure)
            *structure << name.toString().toLower();
        const bool selfClosed = markup.at(at - 1) == QLatin1Char('/');
        if (!selfClosed)
            open.push_back(nameBegin);
        if (!document && depthOfPlace + int(open.size()) + (selfClosed ? 1 : 0) > maximumDepth)
            return refuse(tagBegin, QStringLiteral("its elements would lie deeper than %1 levels").arg(maximumDepth));
    }
    if (!open.empty()) {
        return refuse(open.back() - 1,
            document ? QStringLiteral("the element <%1> is not closed by the end of the file").arg(nameAt(open.back()))
                     : QStringLiteral("the element <%1> is not closed").arg(nameAt(open.back())));
    }
    return true;
}
