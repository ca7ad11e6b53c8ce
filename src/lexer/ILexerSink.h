#pragma once

#include <QChar>

// What the markup lexer writes its styled runs to and reads its characters
// from. The markup document implements it; a test can record the runs.
class ILexerSink
{
public:
    virtual ~ILexerSink() = default;

    virtual bool matchAt(int pos, const char* s) const = 0;
    virtual int styleAt(int pos) const = 0;
    virtual int lineOf(int pos) const = 0;
    virtual int lineStartOf(int line) const = 0;
    virtual int foldLevelOf(int line) const = 0;
    virtual int lineStateOf(int line) const = 0;
    virtual int setLineState(int line, int state) = 0;
    virtual int intProperty(const char* key, int defaultValue) const = 0;
    virtual void startStyling(int pos, int mask) = 0;
    virtual int segmentStart() const = 0;
    virtual void setSegmentStart(int pos) = 0;
    // The characters from segmentStart() to endPos form one run of `style`;
    // an endPos before segmentStart() is an empty run.
    virtual void styleTo(int endPos, int style) = 0;
    virtual void setFoldLevel(int line, int level) = 0;

    // Direct reads, kept out of the virtual table because the lexer asks for
    // every character of the text.
    char16_t safeCharAt(int pos, char16_t defaultChar = u' ') const
    {
        return pos >= 0 && pos < m_length ? m_chars[pos] : defaultChar;
    }
    const char16_t* characters() const { return m_chars; }
    int length() const { return m_length; }

protected:
    void setCharacters(const char16_t* chars, int length)
    {
        m_chars = chars;
        m_length = length;
    }

private:
    const char16_t* m_chars = nullptr;
    int m_length = 0;
};
