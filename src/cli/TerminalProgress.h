#pragma once

#include "installer/IProgress.h"

#include <QString>

#include <cstdio>

// Progress of an install or a removal as one line on a terminal: a bar with
// the status text, redrawn in place. The tool only creates it when standard
// error is a terminal, so that pipes and logs receive no control characters.
class TerminalProgress : public IProgress
{
public:
    explicit TerminalProgress(FILE* stream);
    ~TerminalProgress() override;

    void reset() override;
    void setTitle(QString title) override;
    void setStatus(QString text) override;
    void setMaximum(int maximum) override;
    void setValue(int value) override;
    void setFinished() override;
    bool isFinished() override { return m_finished; }

    // The line as drawn, without the carriage return that starts it.
    static QString line(const QString& title, const QString& status, int value, int maximum);

private:
    void draw();

    FILE* m_stream;
    QString m_title;
    QString m_status;
    int m_maximum = 0;
    int m_value = 0;
    bool m_drawn = false;
    bool m_finished = false;
};
