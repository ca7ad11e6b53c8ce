#include "lexer/LexerModule.h"

#include "lexer/HtmlLexer.h"
#include "lexer/ILexerSink.h"

LexerModule* LexerModule::s_moduleList = nullptr;
int LexerModule::s_nextLanguage = 1001;

namespace {

const char16_t* const htmlDescriptions[] = { u"HTML elements and attributes", u"JavaScript keywords",
    u"VBScript keywords", u"Python keywords", u"PHP keywords", u"SGML and DTD keywords", nullptr };
const char16_t* const phpDescriptions[] = { u"", u"", u"", u"", u"PHP keywords", u"", nullptr };

bool sameName(const char16_t* a, const char16_t* b)
{
    if (!a || !b)
        return a == b;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Registered from the first read of the list rather than by static objects
// spread over files: objects of a static library that nothing references
// would be left out of the program, and their modules with them.
void registerBuiltinModules()
{
    static LexerModule asp(29, nullptr, u"asp", nullptr, htmlDescriptions, 7);
    static LexerModule hypertext(4, HtmlLexer::lex, u"hypertext", nullptr, htmlDescriptions, 7);
    static LexerModule php(30, nullptr, u"php", nullptr, htmlDescriptions, 7);
    static LexerModule phpScript(69, HtmlLexer::lexPhpScript, u"phpscript", nullptr, phpDescriptions, 7);
    static LexerModule xml(5, HtmlLexer::lex, u"xml", nullptr, htmlDescriptions, 7);
}

} // namespace

LexerModule::LexerModule(int language, LexFunction lexFunction, const char16_t* languageName, LexFunction foldFunction,
    const char16_t* const* wordListDescriptions, int styleBits)
    : m_language(language)
    , m_lexFunction(lexFunction)
    , m_foldFunction(foldFunction)
    , m_wordListDescriptions(wordListDescriptions)
    , m_styleBits(styleBits)
    , m_languageName(languageName)
{
    if (m_language == 1000)
        m_language = s_nextLanguage++;
    m_next = s_moduleList;
    s_moduleList = this;
}

void LexerModule::lex(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink) const
{
    if (m_lexFunction)
        m_lexFunction(startPos, length, initStyle, keywordLists, sink);
}

void LexerModule::fold(
    unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink) const
{
    if (!m_foldFunction)
        return;
    const int line = sink.lineOf(static_cast<int>(startPos));
    if (line > 0) {
        const unsigned newStart = static_cast<unsigned>(sink.lineStartOf(line - 1));
        length += static_cast<int>(startPos - newStart);
        startPos = newStart;
        initStyle = 0;
        if (startPos > 0)
            initStyle = sink.styleAt(static_cast<int>(startPos) - 1) & 0xffff;
    }
    m_foldFunction(startPos, length, initStyle, keywordLists, sink);
}

const LexerModule* LexerModule::moduleList()
{
    static const bool registered = (registerBuiltinModules(), true);
    Q_UNUSED(registered);
    return s_moduleList;
}

const LexerModule* LexerModule::findByName(const char16_t* name)
{
    for (const LexerModule* module = moduleList(); module; module = module->m_next)
        if (sameName(module->m_languageName, name))
            return module;
    return nullptr;
}
