#pragma once

class ILexerSink;
class KeywordList;

// The markup lexer: walks a text once and reports it as consecutive styled
// runs. Run by the "xml" and "hypertext" modules.
namespace HtmlLexer {

// Styles of markup runs. Script states and styles follow from 40 on.
namespace MarkupStyle {
enum : int {
    Default = 0,
    Tag = 1,
    TagUnknown = 2,
    Attribute = 3,
    AttributeUnknown = 4,
    Number = 5,
    DoubleString = 6,
    SingleString = 7,
    Other = 8,
    Comment = 9,
    Entity = 10,
    TagEnd = 11,
    XmlStart = 12,
    XmlEnd = 13,
    Script = 14,
    Asp = 15,
    AspAt = 16,
    CData = 17,
    Question = 18,
    Value = 19,
    XcComment = 20,
    SgmlDefault = 21,
    SgmlCommand = 22,
    SgmlFirstParam = 23,
    SgmlDoubleString = 24,
    SgmlSimpleString = 25,
    SgmlError = 26,
    SgmlSpecial = 27,
    SgmlEntity = 28,
    SgmlComment = 29,
    SgmlFirstParamComment = 30,
    SgmlBlockDefault = 31,
    // What a sink that keeps no styles answers when asked for one: no state
    // of the lexer has it, so the lexer never takes it for a tag to go back into.
    NotStyled = 32,
};
} // namespace MarkupStyle

namespace ScriptState {
enum : int {
    JsStart = 40,
    JsDefault = 41,
    JsComment = 42,
    JsCommentLine = 43,
    JsCommentDoc = 44,
    JsNumber = 45,
    JsWord = 46,
    JsKeyword = 47,
    JsDoubleString = 48,
    JsSingleString = 49,
    JsSymbols = 50,
    JsStringEol = 51,
    JsRegex = 52,
    VbStart = 70,
    VbDefault = 71,
    VbCommentLine = 72,
    VbNumber = 73,
    VbWord = 74,
    VbString = 75,
    VbIdentifier = 76,
    VbStringEol = 77,
    PyStart = 90,
    PyDefault = 91,
    PyCommentLine = 92,
    PyNumber = 93,
    PyString = 94,
    PyCharacter = 95,
    PyWord = 96,
    PyTriple = 97,
    PyTripleDouble = 98,
    PyClassName = 99,
    PyDefName = 100,
    PyOperator = 101,
    PyIdentifier = 102,
    PhpComplexVariable = 104,
    PhpDefault = 118,
    PhpHString = 119,
    PhpSimpleString = 120,
    PhpWord = 121,
    PhpNumber = 122,
    PhpVariable = 123,
    PhpComment = 124,
    PhpCommentLine = 125,
    PhpHStringVariable = 126,
    PhpOperator = 127,
};
} // namespace ScriptState

enum class ScriptLanguage {
    None = 0,
    JavaScript = 1,
    VBScript = 2,
    Python = 3,
    Php = 4,
    Xml = 5,
    Sgml = 6,
    SgmlBlock = 7
};
enum class ScriptMode { Html = 0, Script = 1, ServerBlock = 2, ServerBlockInScript = 3 };

// keywordLists: HTML, JavaScript, VBScript, Python, PHP, SGML, in this order.
void lex(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink);
// The same lexer, beginning a call at position 0 inside PHP code.
void lexPhpScript(unsigned startPos, int length, int initStyle, KeywordList* keywordLists[], ILexerSink& sink);

} // namespace HtmlLexer
