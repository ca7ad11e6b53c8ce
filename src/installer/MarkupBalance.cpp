#include "installer/MarkupBalance.h"

#include <QStringView>

#include <vector>

namespace {

bool endsName(QChar c)
{
    return c.isSpace() || c == QLatin1Char('>') || c == QLatin1Char('/') || c == QLatin1Char('<')
        || c == QLatin1Char('"') || c == QLatin1Char('\'');
}

} // namespace

bool MarkupBalance::check(const QString& markup, int depthOfPlace, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        *reason = why;
        return false;
    };
    // The position after the first `end` from `from` on, or -1.
    const auto past = [&markup](int from, QLatin1String end) {
        const int at = markup.indexOf(end, from);
        return at < 0 ? -1 : at + end.size();
    };
    // Names of the open elements, innermost last; never deeper than the bound.
    std::vector<QStringView> open;
    const int size = markup.size();
    for (int pos = markup.indexOf(QLatin1Char('<')); pos >= 0; pos = markup.indexOf(QLatin1Char('<'), pos)) {
        const QStringView rest = QStringView(markup).mid(pos);
        if (rest.startsWith(QLatin1String("<!--"))) {
            if ((pos = past(pos + 4, QLatin1String("-->"))) < 0)
                return refuse(QStringLiteral("a comment is not closed"));
            continue;
        }
        if (rest.startsWith(QLatin1String("<![CDATA["))) {
            if ((pos = past(pos + 9, QLatin1String("]]>"))) < 0)
                return refuse(QStringLiteral("a CDATA section is not closed"));
            continue;
        }
        if (rest.startsWith(QLatin1String("<?"))) {
            if ((pos = past(pos + 2, QLatin1String("?>"))) < 0)
                return refuse(QStringLiteral("a processing instruction is not closed"));
            continue;
        }
        // Declarations belong before the root element, never inside it.
        if (rest.startsWith(QLatin1String("<!"))) {
            return refuse(rest.startsWith(QLatin1String("<!DOCTYPE"), Qt::CaseInsensitive)
                    ? QStringLiteral("it holds a DOCTYPE")
                    : QStringLiteral("it holds a declaration"));
        }
        const bool endTag = rest.startsWith(QLatin1String("</"));
        const int nameBegin = pos + (endTag ? 2 : 1);
        int at = nameBegin;
        while (at < size && !endsName(markup.at(at)))
            ++at;
        const QStringView name = QStringView(markup).mid(nameBegin, at - nameBegin);
        // Attribute values may hold ">" and "<" inside their quotes.
        QChar quote;
        for (; at < size; ++at) {
            const QChar c = markup.at(at);
            if (!quote.isNull()) {
                quote = c == quote ? QChar() : quote;
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                quote = c;
            } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
                break;
            }
        }
        if (name.isEmpty())
            return refuse(QStringLiteral("a \"<\" starts no tag"));
        if (at == size || markup.at(at) != QLatin1Char('>'))
            return refuse(QStringLiteral("the tag <%1 is not closed").arg(name));
        pos = at + 1;
        if (endTag) {
            if (open.empty() || open.back() != name)
                return refuse(QStringLiteral("the end tag </%1> closes no element it opened").arg(name));
            open.pop_back();
            continue;
        }
        const bool selfClosed = markup.at(at - 1) == QLatin1Char('/');
        if (!selfClosed)
            open.push_back(name);
        if (depthOfPlace + int(open.size()) + (selfClosed ? 1 : 0) > maximumDepth)
            return refuse(QStringLiteral("its elements would lie deeper than %1 levels").arg(maximumDepth));
    }
    if (!open.empty())
        return refuse(QStringLiteral("the element <%1> is not closed").arg(open.back()));
    return true;
}
