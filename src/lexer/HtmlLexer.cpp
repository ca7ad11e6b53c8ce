#include "lexer/HtmlLexer.h"

#include "lexer/MarkupLexer.h"

namespace HtmlLexer {

void lex(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink)
{
    detail::MarkupLexer<ILexerSink>(keywordLists, sink).run(static_cast<int>(startPos), length, initStyle);
}

void lexPhpScript(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink)
{
    if (startPos == 0)
        initStyle = ScriptState::PhpDefault;
    lex(startPos, length, initStyle, keywordLists, sink);
}

} // namespace HtmlLexer
