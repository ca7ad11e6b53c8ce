#include "markup/Accessor.h"

#include "lexer/MarkupLexerImpl.h"

// The markup lexer compiled for the document as its sink, so that each run
// reaches Accessor::styleTo without an indirect call. The lexer cannot name
// this type itself: it lies in a layer above the lexer's.
template class HtmlLexer::detail::MarkupLexer<Accessor>;
