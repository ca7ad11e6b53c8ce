#pragma once

#include "commands/IUserPrompt.h"

// The command layer's questions, warnings and progress on a terminal: a
// question is answered by --yes or on the terminal, and refused when there
// is no terminal to ask on; a licence is accepted by --accept-license or on
// the terminal, never by --yes; progress is drawn only when standard error is a
// terminal, and never for a dry run.
class TerminalPrompt : public IUserPrompt
{
public:
    TerminalPrompt(bool yes, bool dryRun, bool acceptLicense = false)
        : m_yes(yes)
        , m_dryRun(dryRun)
        , m_acceptLicense(acceptLicense)
    {
    }

    bool confirm(const QString& question, const QString& refusal) override;
    bool acceptLicense(const QString& title, const QString& license, const QString& refusal) override;
    void warn(const QString& text, const QString& details) override;
    void notice(const QString& text) override;
    void inform(const QString& text, const QString& details) override;
    IProgress* startProgress(const QString& title) override;
    void finishProgress(IProgress* progress) override;
    void installedChanged() override { }

private:
    // Asks on the terminal; false (saying why) when there is none or the answer was not yes.
    static bool ask(const QString& question, const QString& refusal, const QString& option);

    bool m_yes;
    bool m_dryRun;
    bool m_acceptLicense;
};
