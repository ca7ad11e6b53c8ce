#include "support/MarkupTreeDump.h"

#include "markup/CElement.h"

#include <QStringList>

#include <vector>

// Recursive: the trees that tests write out are small.
QString dumpNode(const CElement* node)
{
    QString out;
    if (node->name().isEmpty() && node->startTag().isEmpty()) {
        out += QLatin1Char('"') + node->text() + QLatin1Char('"');
    } else {
        out += node->name() + QLatin1Char('[') + node->startTag() + QLatin1Char(']');
        if (!node->text().isEmpty())
            out += QLatin1Char('"') + node->text() + QLatin1Char('"');
    }
    if (!node->children().empty())
        out += QLatin1Char('(') + dumpChildren(node) + QLatin1Char(')');
    if (!node->endTag().isEmpty())
        out += QLatin1Char('[') + node->endTag() + QLatin1Char(']');
    return out;
}

QString dumpChildren(const CElement* node)
{
    QStringList parts;
    for (const CElement* child : node->children())
        parts << (child->parent() == node ? QString() : QStringLiteral("!")) + dumpNode(child);
    return parts.join(QLatin1Char(' '));
}
