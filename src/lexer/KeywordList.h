#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A set of words held as one owned text split in place. The words are sorted
// when they are set, so that lookups change nothing and one list can serve
// every document of every thread; an index by first character keeps each
// lookup to the few words that can match.
class KeywordList
{
public:
    KeywordList();
    ~KeywordList();
    KeywordList(const KeywordList&) = delete;
    KeywordList& operator=(const KeywordList&) = delete;

    void set(const char16_t* text);
    void set(const QString& text);
    // Case-sensitive; `word` is NUL-terminated. A word of the list that begins
    // with "^" matches every word that starts with the rest of it.
    bool contains(const char16_t* word) const;
    bool contains(const QString& word) const;
    void clear();

    int length() const { return m_len; }
    // Changes whenever the words do, and is never given to two lists: an
    // answer remembered for one generation stays true while it lasts.
    std::uint64_t generation() const { return m_generation; }
    // False when no word of the list can match a word beginning with `c`
    // (a quick test before a word is even collected).
    bool mayContain(char16_t c) const { return c < 256 ? m_mayStart[c] : m_mayStart[u'^']; }
    // mayContain() for every character below 256, as one table.
    const bool* firstCharacters() const { return m_mayStart; }

private:
    void sortWords();

    std::vector<const char16_t*> m_words;
    std::unique_ptr<char16_t[]> m_list;
    int m_len = 0;
    std::uint64_t m_generation = 0;
    bool m_onlyLineEnds = false;
    int m_starts[256];
    bool m_mayStart[256];
};
