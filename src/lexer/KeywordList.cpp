#include "lexer/KeywordList.h"

#include <algorithm>
#include <atomic>

namespace {

std::uint64_t nextGeneration()
{
    static std::atomic<std::uint64_t> last { 0 };
    return ++last;
}

bool lessThan(const char16_t* a, const char16_t* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a < *b;
}

} // namespace

KeywordList::KeywordList()
    : m_generation(nextGeneration())
{
    std::fill(std::begin(m_starts), std::end(m_starts), -1);
    std::fill(std::begin(m_mayStart), std::end(m_mayStart), false);
}

KeywordList::~KeywordList()
{
    clear();
}

void KeywordList::set(const QString& text)
{
    set(reinterpret_cast<const char16_t*>(text.utf16()));
}

void KeywordList::set(const char16_t* text)
{
    clear();
    size_t size = 0;
    if (text)
        while (text[size])
            ++size;
    m_list.reset(new char16_t[size + 1]);
    std::copy(text, text + size, m_list.get());
    m_list[size] = 0;

    auto isSeparator
        = [this](char16_t c) { return c == u'\r' || c == u'\n' || (!m_onlyLineEnds && (c == u' ' || c == u'\t')); };
    int count = 0;
    char16_t previous = u'\n';
    for (size_t i = 0; i < size; ++i) {
        if (!isSeparator(m_list[i]) && isSeparator(previous))
            ++count;
        previous = m_list[i];
    }
    m_words.reserve(count + 1);
    previous = u'\n';
    for (size_t i = 0; i < size; ++i) {
        const char16_t c = m_list[i];
        if (!isSeparator(c) && isSeparator(previous))
            m_words.push_back(&m_list[i]);
        previous = c;
        if (isSeparator(c))
            m_list[i] = 0;
    }
    m_words.push_back(&m_list[size]);
    m_len = count;
    sortWords();
    m_generation = nextGeneration();
}

void KeywordList::clear()
{
    m_words.clear();
    m_words.shrink_to_fit();
    m_list.reset();
    m_len = 0;
    std::fill(std::begin(m_starts), std::end(m_starts), -1);
    std::fill(std::begin(m_mayStart), std::end(m_mayStart), false);
    m_generation = nextGeneration();
}

void KeywordList::sortWords()
{
    std::sort(m_words.begin(), m_words.begin() + m_len, lessThan);
    std::fill(std::begin(m_starts), std::end(m_starts), -1);
    for (int i = m_len - 1; i >= 0; --i) {
        const char16_t first = m_words[i][0];
        if (first < 256)
            m_starts[first] = i;
    }
    const bool anyPrefix = m_starts[u'^'] >= 0;
    for (int c = 0; c < 256; ++c)
        m_mayStart[c] = m_starts[c] >= 0 || anyPrefix;
}

bool KeywordList::contains(const QString& word) const
{
    return contains(reinterpret_cast<const char16_t*>(word.utf16()));
}

bool KeywordList::contains(const char16_t* word) const
{
    if (m_len == 0 || !word)
        return false;
    const char16_t first = word[0];
    if (first < 256) {
        // The words that share the first character are adjacent and sorted:
        // a binary search among them finds the word or the place it would be.
        const int from = m_starts[first];
        if (from >= 0) {
            const auto end = m_words.begin() + m_len;
            const auto found = std::lower_bound(m_words.begin() + from, end, word, lessThan);
            if (found != end && !lessThan(word, *found))
                return true;
        }
    }
    for (int j = m_starts[u'^']; j >= 0 && m_words[j][0] == u'^'; ++j) {
        const char16_t* a = m_words[j] + 1;
        const char16_t* b = word;
        while (*a && *a == *b) {
            ++a;
            ++b;
        }
        if (*a == 0)
            return true;
    }
    return false;
}
