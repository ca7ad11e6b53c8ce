#include "cli/TerminalPrompt.h"

#include "cli/Console.h"
#include "cli/TerminalProgress.h"

#include <QTextStream>

bool TerminalPrompt::confirm(const QString& question, const QString& refusal)
{
    return m_yes || ask(question, refusal, QStringLiteral("--yes to go ahead"));
}

bool TerminalPrompt::acceptLicense(const QString& title, const QString& license, const QString& refusal)
{
    if (m_acceptLicense)
        return true;
    Console::error(QStringLiteral("The licence agreement of %1:\n\n%2\n\n").arg(title, license));
    return ask(QStringLiteral("Do you accept the licence agreement of %1?").arg(title), refusal,
        QStringLiteral("--accept-license to accept it"));
}

bool TerminalPrompt::ask(const QString& question, const QString& refusal, const QString& option)
{
    // The answer is read from standard input, so that is what must be a terminal.
    if (!Console::isTerminal(stdin)) {
        Console::error(QStringLiteral("moravel-cli: ") + refusal
            + QStringLiteral(": there is no terminal to ask on; give ") + option);
        return false;
    }
    std::fprintf(stderr, "%s [y/N] ", question.toUtf8().constData());
    std::fflush(stderr);
    QTextStream input(stdin);
    const QString answer = input.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
        return true;
    Console::error(QStringLiteral("moravel-cli: ") + refusal + QStringLiteral(": the answer was no"));
    return false;
}

void TerminalPrompt::warn(const QString& text, const QString& details)
{
    Console::error(
        QStringLiteral("moravel-cli: ") + text + (details.isEmpty() ? QString() : QLatin1Char('\n') + details));
}

void TerminalPrompt::notice(const QString& text)
{
    Console::error(QStringLiteral("moravel-cli: ") + text);
}

void TerminalPrompt::inform(const QString& text, const QString& details)
{
    if (details.isEmpty()) {
        Console::out(text);
    } else {
        Console::out({ text, u"\n", details });
    }
}

IProgress* TerminalPrompt::startProgress(const QString& title)
{
    if (m_dryRun || !Console::isTerminal(stderr))
        return nullptr;
    auto* progress = new TerminalProgress(stderr);
    progress->setTitle(title);
    return progress;
}

void TerminalPrompt::finishProgress(IProgress* progress)
{
    // The destructor wipes the bar, so the report starts on a clean line.
    delete progress;
}
