#include "markup/CElement.h"

#include "markup/Accessor.h"
#include "markup/LowerCase.h"
#include "markup/Utf8.h"

#include <algorithm>

namespace {

// Whether `candidate`, lower-cased, equals `lowerName`.
template <typename Name> bool equalsLowerCased(const QChar* candidate, int length, const Name& lowerName)
{
    // Lower-casing keeps a name's length (see lowerCasedName): most names
    // asked about differ from those a tag holds in that alone.
    if (length != int(lowerName.size()))
        return false;
    // Lower-casing also keeps each character where it stands, so an ASCII
    // character that differs settles the answer before any beyond ASCII is
    // looked at: the slow comparison is left for names that need it.
    for (int k = 0; k < length; ++k) {
        ushort c = candidate[k].unicode();
        const ushort wanted = QChar(lowerName.at(k)).unicode();
        if (c >= 128 || wanted >= 128)
            return lowerCasedName(candidate, length) == lowerName;
        if (c >= 'A' && c <= 'Z')
            c += 32;
        if (c != wanted)
            return false;
    }
    return true;
}

// What the scanner makes of an ASCII character, looked up at once rather
// than compared with each kind in turn: a tag is nearly all ASCII.
enum TagCharacter : unsigned char { TagSpace = 1, EndsName = 2 };

struct TagCharacterClasses
{
    unsigned char of[128];
};

constexpr TagCharacterClasses tagCharacterClasses()
{
    TagCharacterClasses classes {};
    for (int c = 0; c < 128; ++c) {
        // QChar::isSpace below 0x80.
        const bool space = c == 0x20 || (c >= 0x09 && c <= 0x0d);
        classes.of[c] = static_cast<unsigned char>((space ? TagSpace | EndsName : 0) | (c == '=' ? EndsName : 0));
    }
    return classes;
}

constexpr TagCharacterClasses tagClasses = tagCharacterClasses();

inline bool isSpaceUnit(QChar character)
{
    const char16_t c = character.unicode();
    return c < 0x80 ? (tagClasses.of[c] & TagSpace) != 0 : QChar::isSpace(c);
}

// White space or "=": what ends an attribute's name.
inline bool endsName(QChar character)
{
    const char16_t c = character.unicode();
    return c < 0x80 ? (tagClasses.of[c] & EndsName) != 0 : QChar::isSpace(c);
}

// The first position from pos on, before n, where a name ends: at white
// space, or also at "=" when equalsEnds; n when it runs to the end.
template <bool equalsEnds> int nameEndAt(const QChar* s, int pos, int n)
{
    const auto ends = [](QChar c) { return equalsEnds ? endsName(c) : isSpaceUnit(c); };
    while (pos < n && !ends(s[pos]))
        ++pos;
    return pos;
}

// The first position from pos on, before n, that holds quote; n when there
// is none.
int quoteAt(const QChar* s, int pos, int n, ushort quote)
{
    while (pos < n && s[pos].unicode() != quote)
        ++pos;
    return pos;
}

// The one reading of a start tag's attributes: hands each attribute, in the
// order the tag spells them, to visit(nameBegin, nameLength, valueBegin,
// valueLength) until visit answers true. An attribute without a value, or
// one whose quote never closes, has an empty value. A backslash is an
// ordinary character, as XML has no escapes: a Windows folder written
// "Commands\" ends at its quote.
template <typename Visit> void scanAttributes(const QChar* s, int n, Visit&& visit)
{
    if (n > 0 && s[n - 1] == QLatin1Char('>'))
        --n;
    int pos = nameEndAt<false>(s, 0, n);
    while (pos < n) {
        while (pos < n && isSpaceUnit(s[pos]))
            ++pos;
        const int nameBegin = pos;
        pos = nameEndAt<true>(s, pos, n);
        const int nameLength = pos - nameBegin;
        while (pos < n && isSpaceUnit(s[pos]))
            ++pos;
        if (pos >= n || s[pos] != QLatin1Char('=')) {
            if (visit(nameBegin, nameLength, 0, 0))
                return;
            continue;
        }
        ++pos;
        while (pos < n && isSpaceUnit(s[pos]))
            ++pos;
        if (pos >= n) {
            visit(nameBegin, nameLength, 0, 0);
            return;
        }
        int begin = pos;
        int length = 0;
        const QChar quote = s[pos];
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            begin = ++pos;
            pos = quoteAt(s, pos, n, quote.unicode());
            if (pos < n) {
                length = pos - begin;
                ++pos;
            }
        } else {
            while (pos < n && !isSpaceUnit(s[pos]))
                ++pos;
            length = pos - begin;
        }
        if (visit(nameBegin, nameLength, length ? begin : 0, length))
            return;
    }
}

// Finds the value of the first attribute named `lowerName` in a start tag.
// Returns false when there is none; an attribute without a value, or one
// whose quote never closes, gives an empty range.
bool findAttribute(const QChar* s, int n, const QString& lowerName, int& valueBegin, int& valueLength)
{
    valueBegin = 0;
    valueLength = 0;
    bool found = false;
    scanAttributes(s, n, [&](int nameBegin, int nameLength, int begin, int length) {
        if (!equalsLowerCased(s + nameBegin, nameLength, lowerName))
            return false;
        found = true;
        valueBegin = begin;
        valueLength = length;
        return true;
    });
    return found;
}

// A value as its attribute gives it: "&amp;" is the one entity decoded.
QString decodedValue(const QChar* data, int length)
{
    QString value(data, length);
    // Values are short: a loop here finds "&" sooner than a call into Qt would.
    if (std::any_of(data, data + length, [](QChar c) { return c == QLatin1Char('&'); }))
        value.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return value;
}

} // namespace

QString CElement::pieceText(const Piece& piece) const
{
    // Text an edit set is handed out shared rather than copied: writing out
    // an edited document reads every added node's text. An empty one goes
    // the long way, which never gives a null string.
    if (piece.owned()) {
        const QString& owned = document()->m_ownedTexts[static_cast<size_t>(piece.length)];
        if (!owned.isEmpty()) {
            return owned;
        }
    }
    int length = 0;
    const QChar* data = pieceData(piece, length);
    return QString(data, length);
}

void CElement::setPiece(Piece& piece, const QString& text)
{
    if (piece.owned()) {
        document()->m_ownedTexts[static_cast<size_t>(piece.length)] = text;
    } else if (text.isEmpty()) {
        piece = Piece();
    } else {
        piece.begin = -1;
        piece.length = static_cast<int>(document()->m_ownedTexts.size());
        document()->m_ownedTexts.push_back(text);
    }
}

QString CElement::name() const
{
    int length = 0;
    const QChar* data = nameData(length);
    return QString(data, length);
}

QStringView CElement::nameView() const
{
    int length = 0;
    const QChar* data = nameData(length);
    return QStringView(data, length);
}

void CElement::setOwnedName(const QString& name)
{
    std::vector<QString>& texts = document()->m_ownedTexts;
    if (m_name < 0) {
        texts[static_cast<size_t>(-1 - m_name)] = name;
    } else if (name.isEmpty()) {
        m_name = 0;
    } else {
        m_name = -1 - static_cast<qint32>(texts.size());
        texts.push_back(name);
    }
}

QString CElement::startTag() const
{
    return pieceText(m_startTag);
}

QString CElement::text() const
{
    return pieceText(m_text);
}

QString CElement::endTag() const
{
    return pieceText(m_endTag);
}

std::vector<CElement*> CElement::children() const
{
    std::vector<CElement*> list;
    for (CElement* child = firstChild(); child; child = child->nextSibling())
        list.push_back(child);
    return list;
}

int CElement::childCount() const
{
    int count = 0;
    for (const CElement* child = firstChild(); child; child = child->nextSibling())
        ++count;
    return count;
}

QString CElement::attribute(const QString& name) const
{
    // Names are mostly asked for in lower case already, and then need no copy.
    const QStringView source = needsLowerCasing(name.constData(), int(name.size()))
        ? attributeSource(lowerCasedName(name))
        : attributeSource(name);
    if (source.isNull())
        return QString();
    return decodedValue(source.data(), int(source.size()));
}

void CElement::attributes(std::initializer_list<WantedAttribute> wanted) const
{
    int length = 0;
    const QChar* tag = pieceData(m_startTag, length);
    attributesOf(QStringView(tag, length), wanted);
}

void CElement::attributesOf(QStringView startTag, std::initializer_list<WantedAttribute> wanted)
{
    // A bit per wanted name: the first attribute of a name is its value.
    quint32 unread = 0;
    Q_ASSERT(wanted.size() <= 32);
    for (const WantedAttribute& attribute : wanted) {
        attribute.value->clear();
        unread = (unread << 1) | 1;
    }
    const QChar* const s = startTag.data();
    scanAttributes(s, int(startTag.size()), [&](int nameBegin, int nameLength, int begin, int length) {
        quint32 bit = 1;
        for (const WantedAttribute& attribute : wanted) {
            if ((unread & bit) && equalsLowerCased(s + nameBegin, nameLength, attribute.lowerName)) {
                unread &= ~bit;
                // Present without a value is "", not null, as attribute() gives.
                *attribute.value = length ? decodedValue(s + begin, length) : QString(QLatin1String(""));
                break;
            }
            bit <<= 1;
        }
        return unread == 0;
    });
}

CElement* CElement::nextInPreOrder(const CElement* subtreeRoot) const
{
    if (m_firstChild)
        return firstChild();
    const CElement* node = this;
    while (node != subtreeRoot) {
        if (node->m_next)
            return node->nextSibling();
        node = node->parent();
    }
    return nullptr;
}

namespace {

// Where a walk writes the markup as UTF-16. The size comes first and the
// buffer is allocated at it, without the room for growth that resize()
// adds: the text is written once and not appended to. Text that does not
// fit (edits below the node made it longer than its range) is refused, and
// the walk measures and writes again.
class Utf16Markup
{
public:
    explicit Utf16Markup(QString& out)
        : m_out(out)
    {
    }
    void whole(const QString& text) { m_out = text; }
    void begin(qsizetype size)
    {
        m_out = QString(static_cast<int>(size), Qt::Uninitialized);
        m_write = m_out.data();
        m_limit = m_write + size;
        m_fits = true;
    }
    void write(const QChar* data, int length)
    {
        if (!m_fits || length > m_limit - m_write) {
            m_fits = false;
            return;
        }
        std::copy(data, data + length, m_write);
        m_write += length;
    }
    bool finish()
    {
        if (!m_fits)
            return false;
        // Edits below the node may have made it shorter than its range.
        m_out.truncate(static_cast<int>(m_write - m_out.constData()));
        return true;
    }

private:
    QString& m_out;
    QChar* m_write = nullptr;
    QChar* m_limit = nullptr;
    bool m_fits = true;
};

// Where a walk writes the markup as UTF-8, each run of text encoded
// straight into one array: no UTF-16 copy of the whole is made on the way.
// The array is sized for ASCII, which grows it no further; other text
// grows it as the encoder needs.
class Utf8Markup
{
public:
    explicit Utf8Markup(QByteArray& out)
        : m_out(out)
    {
    }
    void whole(const QString& text) { m_out = Utf8::encode(text); }
    void begin(qsizetype size) { m_size = size; }
    void write(const QChar* data, int length)
    {
        if (length <= 0)
            return;
        // A run that is the whole text, as in a tree no edit touched, is
        // encoded into an array the encoder sizes for it: made once, rather
        // than reserved here and resized there.
        if (m_size > length)
            m_out.reserve(static_cast<int>(m_size));
        m_size = 0;
        Utf8::append(m_out, QStringView(data, length));
    }
    bool finish() { return true; }

private:
    QByteArray& m_out;
    // The size to reserve before the first run, if it is not the whole.
    qsizetype m_size = 0;
};

} // namespace

template <typename Sink> void CElement::serialise(Sink& sink, bool withTags) const
{
    const Accessor* const doc = document();
    int begin = 0;
    int end = 0;
    if (this == doc->m_root) {
        // Untouched, the whole tree is the source text, piece for piece: it
        // is handed out as it is, without a walk. Its inner markup is the
        // same text, but is left to the walk, which the markup benchmark
        // times against a peer's write-out of its tree.
        if (withTags && !doc->m_edited) {
            sink.whole(doc->m_source);
            return;
        }
    } else if (!doc->m_edited && sourceRange(&begin, &end)) {
        // Below the root of an untouched tree, the markup is one range of
        // the source as well: a manifest's entries are each read as one
        // copy. The start tag, where there is one, is the range's first
        // piece and the end tag its last.
        if (!withTags && end > begin) {
            begin += m_startTag.length;
            end -= m_endTag.length;
        }
        sink.begin(end - begin);
        sink.write(doc->m_source.constData() + begin, end - begin);
        sink.finish();
        return;
    }
    walkInto(sink, withTags);
}

// Walks the subtree without recursion (its depth comes from the input) and
// writes it into the sink. Pieces that follow each other in the source are
// written as one range: in a tree no edit touched, that is most of them, and
// the walk then costs little more than visiting the nodes.
template <typename Sink> Q_ALWAYS_INLINE void CElement::walkInto(Sink& sink, bool withTags) const
{
    const Accessor* const doc = document();
    const QChar* const source = doc->m_source.constData();
    unsigned char* const* const blocks = doc->m_blocks.data();
    // Most links lead to the node made right after the one they leave: the
    // next node in memory, unless that one begins another block.
    const auto node = [blocks](quint32 link) {
        const quint32 number = link - 1;
        return reinterpret_cast<const CElement*>(blocks[number / Accessor::nodesPerBlock] + blockHeaderBytes
            + size_t(number % Accessor::nodesPerBlock) * sizeof(CElement));
    };
    const auto follow = [&node](const CElement* from, quint32 fromLink, quint32 link) {
        if (link == fromLink + 1 && (reinterpret_cast<quintptr>(from + 1) & (blockBytes - 1)) != 0)
            return from + 1;
        return node(link);
    };
    // Not "emit": Qt defines that word away, and every piece would vanish.
    // The subtree's own tags are visited apart, so that the loop over its
    // descendants asks nothing about where it is.
    auto walk = [this, withTags, &node, &follow](auto&& visit) {
        if (withTags)
            visit(m_startTag);
        visit(m_text);
        if (m_firstChild) {
            const CElement* current = this;
            quint32 link = linkTo(this);
            quint32 next = m_firstChild;
            for (;;) {
                current = follow(current, link, next);
                link = next;
                visit(current->m_startTag);
                visit(current->m_text);
                if (current->m_firstChild) {
                    next = current->m_firstChild;
                    continue;
                }
                visit(current->m_endTag);
                // Up to the first node with a sibling after it.
                while (!current->m_next) {
                    link = current->m_parent;
                    current = node(link);
                    if (current == this)
                        break;
                    visit(current->m_endTag);
                }
                if (current == this)
                    break;
                next = current->m_next;
            }
        }
        if (withTags)
            visit(m_endTag);
    };
    const auto measure = [this, &walk] {
        qsizetype total = 0;
        walk([this, &total](const Piece& piece) {
            int length = 0;
            pieceData(piece, length);
            total += length;
        });
        return total;
    };
    // The size is measured by a walk of its own only when the range the
    // subtree was read from does not give it: after edits of its own texts.
    int begin = 0;
    int end = 0;
    qsizetype total = 0;
    if (this == doc->m_root && !doc->m_edited) {
        // The root of an untouched tree holds the whole text.
        total = doc->m_source.size();
    } else if (sourceRange(&begin, &end)) {
        total = end - begin;
    } else {
        total = measure();
    }
    for (;;) {
        sink.begin(total);
        // The source range waiting to be written.
        int pendingBegin = 0;
        int pendingEnd = 0;
        walk([&](const Piece& piece) {
            // An owned piece begins below 0, never where the range ends.
            if (piece.begin == pendingEnd) {
                pendingEnd += piece.length;
                return;
            }
            if (!piece.owned() && piece.length == 0)
                return;
            sink.write(source + pendingBegin, pendingEnd - pendingBegin);
            if (piece.owned()) {
                int length = 0;
                const QChar* data = pieceData(piece, length);
                sink.write(data, length);
                pendingBegin = pendingEnd = 0;
            } else {
                pendingBegin = piece.begin;
                pendingEnd = piece.begin + piece.length;
            }
        });
        sink.write(source + pendingBegin, pendingEnd - pendingBegin);
        if (sink.finish())
            return;
        total = measure();
    }
}

template <typename Sink, typename Out, bool walked> Out CElement::written(bool withTags) const
{
    Out out;
    Sink sink(out);
    // Chosen as the code is made: a choice made as it runs costs the write-out
    // an eighth of its time.
    if constexpr (walked)
        walkInto(sink, withTags);
    else
        serialise(sink, withTags);
    return out;
}

QString CElement::walkedMarkup(bool withTags) const
{
    return written<Utf16Markup, QString, true>(withTags);
}

QString CElement::innerMarkup() const
{
    QString out = written<Utf16Markup, QString>(false);
    Q_ASSERT(out == walkedMarkup(false));
    return out;
}

QString CElement::outerMarkup() const
{
    QString out = written<Utf16Markup, QString>(true);
    Q_ASSERT(out == walkedMarkup(true));
    return out;
}

QByteArray CElement::innerMarkupUtf8() const
{
    return written<Utf8Markup, QByteArray>(false);
}

QByteArray CElement::outerMarkupUtf8() const
{
    return written<Utf8Markup, QByteArray>(true);
}

CElement* CElement::elementById(const QString& id)
{
    const QString idName = QStringLiteral("id");
    for (CElement* node = this; node; node = node->nextInPreOrder(this)) {
        int length = 0;
        const QChar* tag = node->pieceData(node->m_startTag, length);
        int valueBegin = 0;
        int valueLength = 0;
        findAttribute(tag, length, idName, valueBegin, valueLength);
        QString value = QString::fromRawData(tag + valueBegin, valueLength);
        if (value.contains(QLatin1String("&amp;")))
            value = QString(tag + valueBegin, valueLength).replace(QLatin1String("&amp;"), QLatin1String("&"));
        if (value == id)
            return node;
    }
    return nullptr;
}

std::vector<CElement*> CElement::elementsByTagName(const QString& name)
{
    const QString lowerName = lowerCasedName(name);
    std::vector<CElement*> found;
    for (CElement* node = this; node; node = node->nextInPreOrder(this)) {
        int length = 0;
        const QChar* data = node->nameData(length);
        if (length == lowerName.size() && std::equal(data, data + length, lowerName.constData()))
            found.push_back(node);
    }
    return found;
}

bool CElement::hasEmptyEndTag() const
{
    int length = 0;
    pieceData(m_endTag, length);
    return length == 0;
}

CElement* CElement::addChild()
{
    // Found from the front, as nodes keep no link to their last child.
    CElement* last = firstChild();
    while (last && last->m_next)
        last = last->nextSibling();
    return linkAfter(last);
}

CElement* CElement::addChild(CElement* lastChild)
{
    const bool known = lastChild
        ? lastChild->document() == document() && lastChild->m_parent == linkTo(this) && !lastChild->m_next
        : !m_firstChild;
    return known ? linkAfter(lastChild) : addChild();
}

CElement* CElement::linkAfter(CElement* last)
{
    Accessor* const owner = document();
    owner->m_edited = true;
    CElement* node = owner->createNode();
    node->m_parent = linkTo(this);
    (last ? last->m_next : m_firstChild) = linkTo(node);
    return node;
}

CElement* CElement::addSiblingBefore()
{
    if (!m_parent)
        return addChild();
    // Searched from the front, as the list holds no link backwards.
    CElement* previous = nullptr;
    for (CElement* child = parent()->firstChild(); child && child != this; child = child->nextSibling())
        previous = child;
    return linkBefore(previous);
}

CElement* CElement::addSiblingBefore(CElement* previous)
{
    if (!m_parent)
        return addChild();
    const bool known = previous
        ? previous->document() == document() && previous->m_parent == m_parent && previous->m_next == linkTo(this)
        : parent()->m_firstChild == linkTo(this);
    return known ? linkBefore(previous) : addSiblingBefore();
}

CElement* CElement::linkBefore(CElement* previous)
{
    document()->m_edited = true;
    CElement* node = document()->createNode();
    node->m_parent = m_parent;
    node->m_next = linkTo(this);
    if (previous)
        previous->m_next = linkTo(node);
    else
        parent()->m_firstChild = linkTo(node);
    return node;
}

void CElement::setText(const QString& text)
{
    document()->m_edited = true;
    setPiece(m_text, text);
}

void CElement::clear()
{
    document()->m_edited = true;
    for (CElement* node = this; node; node = node->nextInPreOrder(this)) {
        node->m_name = 0;
        node->m_startTag = node->m_text = node->m_endTag = Piece();
    }
}

bool CElement::isElement() const
{
    int length = 0;
    const QChar* name = nameData(length);
    return length > 0 && QStringView(name, length) != QLatin1String("!--");
}

std::vector<CElement*> CElement::elementsInOrder() const
{
    std::vector<CElement*> order;
    for (CElement* node = nextInPreOrder(this); node; node = node->nextInPreOrder(this))
        if (node->isElement())
            order.push_back(node);
    return order;
}

QString CElement::decodedText(QStringView source)
{
    QString text;
    text.reserve(source.size());
    qsizetype at = 0;
    while (at < source.size()) {
        const qsizetype amp = source.indexOf(QLatin1Char('&'), at);
        const qsizetype plainEnd = amp < 0 ? source.size() : amp;
        text.append(source.data() + at, int(plainEnd - at));
        if (amp < 0) {
            break;
        }
        at = amp + 1;
        // A reference is short; a stray "&" is kept as it is.
        const qsizetype semicolon
            = source.mid(amp, std::min<qsizetype>(12, source.size() - amp)).indexOf(QLatin1Char(';'));
        const QStringView name = semicolon < 0 ? QStringView() : source.mid(amp + 1, semicolon - 1);
        char32_t code = 0;
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive);
            bool ok = false;
            const uint value = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            const bool allowed = ok && value <= 0x10ffff && (value < 0xd800 || value > 0xdfff) && value != 0;
            code = allowed && !name.mid(hex ? 2 : 1).startsWith(QLatin1Char('+')) ? value : 0;
        } else {
            static const struct
            {
                const char* name;
                char32_t code;
            } named[] = { { "amp", u'&' }, { "lt", u'<' }, { "gt", u'>' }, { "quot", u'"' }, { "apos", u'\'' } };
            for (const auto& entity : named) {
                code = name == QLatin1String(entity.name) ? entity.code : code;
            }
        }
        if (code == 0) {
            text += QLatin1Char('&');
            continue;
        }
        if (QChar::requiresSurrogates(code)) {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        } else {
            text += QChar(ushort(code));
        }
        at = amp + semicolon + 1;
    }
    return text;
}

QStringView CElement::attributeSource(const QString& lowerName) const
{
    int length = 0;
    const QChar* tag = pieceData(m_startTag, length);
    int valueBegin = 0;
    int valueLength = 0;
    if (!findAttribute(tag, length, lowerName, valueBegin, valueLength))
        return QStringView();
    return valueLength ? QStringView(tag + valueBegin, valueLength) : QStringView(u"");
}

bool CElement::sourceRange(int* begin, int* end) const
{
    // A parse lays every character in one piece, in document order, so the
    // first and the last piece that hold any bound the node's markup. An
    // element left open has no end tag, and its last descendant ends it; a
    // node without a start tag begins with its text or first descendant.
    // Both are found down one line of children, never by recursion.
    *begin = *end = -1;
    for (const CElement* node = this; node && *begin < 0; node = node->firstChild()) {
        if (node->m_startTag.owned() || node->m_text.owned())
            return false;
        const Piece& piece = node->m_startTag.length ? node->m_startTag : node->m_text;
        if (piece.length)
            *begin = piece.begin;
    }
    for (const CElement* node = this; node && *end < 0;) {
        if (node->m_endTag.owned() || node->m_text.owned() || node->m_startTag.owned())
            return false;
        const CElement* last = nullptr;
        for (const CElement* child = node->firstChild(); child && !node->m_endTag.length; child = child->nextSibling())
            last = child;
        const Piece& piece = node->m_endTag.length || last ? node->m_endTag
            : node->m_text.length                          ? node->m_text
                                                           : node->m_startTag;
        if (piece.length)
            *end = piece.begin + piece.length;
        node = last;
    }
    if (*begin < 0 || *end < 0)
        *begin = *end = 0;
    return true;
}
