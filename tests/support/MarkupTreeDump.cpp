#include "support/MarkupTreeDump.h"

#include "markup/CElement.h"

#include <QStringList>

// Recursive: the trees that tests write out are small.
QString dumpNode(const CElement* node)
{
    const QString text = QLatin1Char('"') + node->text() + QLatin1Char('"');
    const bool textNode = node->name().isEmpty() && node->startTag().isEmpty();
    QString out = textNode ? text : node->name() + QLatin1Char('[') + node->startTag() + QLatin1Char(']');
    if (!textNode && !node->text().isEmpty())
        out += text;
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
