#pragma once

class ILexerSink;
class KeywordList;

// Binds a numeric lexer id and a name to a lex function. Modules form one
// registry list, newest first; the built-in modules are registered before the
// list is first read.
class LexerModule
{
public:
    using LexFunction
        = void (*)(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink);

    // A `language` of 1000 asks for the next free id.
    LexerModule(int language, LexFunction lexFunction, const char16_t* languageName = nullptr,
        LexFunction foldFunction = nullptr, const char16_t* const* wordListDescriptions = nullptr, int styleBits = 5);
    virtual ~LexerModule() = default;
    LexerModule(const LexerModule&) = delete;
    LexerModule& operator=(const LexerModule&) = delete;

    virtual void lex(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink) const;
    virtual void fold(
        unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink) const;

    const LexerModule* next() const { return m_next; }
    int language() const { return m_language; }
    const char16_t* languageName() const { return m_languageName; }
    const char16_t* const* wordListDescriptions() const { return m_wordListDescriptions; }
    int styleBits() const { return m_styleBits; }
    LexFunction lexFunction() const { return m_lexFunction; }

    static const LexerModule* moduleList();
    static const LexerModule* findByName(const char16_t* name);

private:
    LexerModule* m_next = nullptr;
    int m_language;
    LexFunction m_lexFunction;
    LexFunction m_foldFunction;
    const char16_t* const* m_wordListDescriptions;
    int m_styleBits;
    const char16_t* m_languageName;

    static LexerModule* s_moduleList;
    static int s_nextLanguage;
};
