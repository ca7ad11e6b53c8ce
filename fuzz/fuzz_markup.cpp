// Parses arbitrary bytes, read as UTF-8 and as raw UTF-16, checks that the
// tree writes back the text and is the tree a stepping lexer builds, queries
// it and edits it.
#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<CElement*> allNodes(CElement* root)
{
    std::vector<CElement*> nodes;
    std::vector<CElement*> pending { root };
    while (!pending.empty()) {
        CElement* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        const auto children = node->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return nodes;
}

// The tags the lexer hands over whole build what their runs build: the
// same nodes in the same places, with the same texts.
void checkSameTree(const std::vector<CElement*>& nodes, const QString& text)
{
    Accessor stepped;
    stepped.parseStepByStep(text);
    const std::vector<CElement*> steppedNodes = allNodes(stepped.root());
    check(steppedNodes.size() == nodes.size());
    for (size_t k = 0; k < nodes.size(); ++k) {
        const CElement* a = nodes[k];
        const CElement* b = steppedNodes[k];
        check(a->childCount() == b->childCount() && a->name() == b->name() && a->startTag() == b->startTag()
            && a->text() == b->text() && a->endTag() == b->endTag());
    }
}

void exercise(Accessor& document, const QString& text)
{
    document.parse(text);
    check(document.toString() == text);

    const std::vector<CElement*> nodes = allNodes(document.root());
    checkSameTree(nodes, text);
    check(document.elementsByTagName(QString()).size() <= nodes.size());
    size_t seen = 0;
    for (CElement* node : nodes) {
        if (seen++ > 2000)
            break;
        const QString name = node->name();
        const QString id = node->attribute(QStringLiteral("id"));
        if (!name.isEmpty()) {
            const auto found = document.elementsByTagName(name);
            check(!found.empty());
        }
        if (!id.isEmpty())
            check(document.elementById(id) != nullptr);
        node->attribute(name);
        check(
            node->outerMarkup().size() == node->startTag().size() + node->innerMarkup().size() + node->endTag().size());
    }

    // Edits: each changes the length of the text by exactly what it adds or removes.
    const QString marker = QStringLiteral("<m id=\"new\"/>");
    CElement* middle = nodes[nodes.size() / 2];
    qsizetype expected = text.size() + marker.size();
    middle->addChild()->setText(marker);
    check(document.toString().size() == expected);
    middle->addSiblingBefore()->setText(marker);
    expected += marker.size();
    check(document.toString().size() == expected);
    CElement* last = nodes.back();
    const qsizetype removed = last->outerMarkup().size();
    last->clear();
    expected -= removed;
    check(document.toString().size() == expected);
    last->setText(QStringLiteral("x"));
    check(document.toString().size() == expected + 1);
    document.root()->children().front()->clear();
    document.root()->clear();
    check(document.toString().isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    Accessor document;
    exercise(document, QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * 2);
    exercise(document, QString(reinterpret_cast<const QChar*>(units.data()), static_cast<int>(units.size())));
    return 0;
}
