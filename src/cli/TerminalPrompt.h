#pragma once

#include "commands/IUserPrompt.h"

// The command layer's questions, warnings and progress on a terminal: a
// question is answered by --yes or on the terminal, and refused when there
// is no terminal to ask on; progress is drawn only when standard error is a
// terminal, and never for a dry run.
class TerminalPrompt : public IUserPrompt
{
public:
    TerminalPrompt(bool yes, bool dryRun)
        : m_yes(yes)
        , m_dryRun(dryRun)
    {
    }

    bool confirm(const QString& question, const QString& refusal) override;
    void warn(const QString& text, const QString& details) override;
    void notice(const QString& text) override;
    void inform(const QString& text, const QString& details) override;
    IProgress* startProgress(const QString& title) override;
    void finishProgress(IProgress* progress) override;
    void installedChanged() override { }

private:
    bool m_yes;
    bool m_dryRun;
};
