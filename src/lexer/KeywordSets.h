#pragma once

// The six keyword texts of the markup document, in the order the lexer takes
// its lists: HTML elements and attributes, JavaScript, VBScript, Python, PHP,
// SGML and DTD keywords.
namespace KeywordSets {
extern const char16_t html[];
extern const char16_t javaScript[];
extern const char16_t vbScript[];
extern const char16_t python[];
extern const char16_t php[];
extern const char16_t sgml[];
} // namespace KeywordSets
