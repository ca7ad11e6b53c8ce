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

} // namespace

bool MarkupBalance::check(const QString& markup, int depthOfPlace, QString* reason, QStringList* structure)
{
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
