#pragma once

#include <QString>

class IProgress;

// How a user operation talks to the person who started it: the window
// answers with message boxes and progress dialogs, the command-line tool with
// the terminal, --yes and its exit status.
class IUserPrompt
{
public:
    virtual ~IUserPrompt() = default;

    // A question and how a window asks it: the buttons say what each answer
    // does ("Update" / "Cancel"), and a risky one (caution) is asked with a
    // warning and No as the default answer.
    struct Question
    {
        QString text;
        QString refusal; // what is left undone on a no
        QString yes; // the verb of the yes button
        QString no; // the verb of the no button
        bool caution = false;
    };

    // A yes/no question; true only for yes. refusal says what is left undone
    // on a no, for a face that must explain why it did not ask.
    virtual bool confirm(const QString& question, const QString& refusal) = 0;
    // The same, for a face that shows the answers as verbs; a terminal asks y/N.
    virtual bool ask(const Question& question) { return confirm(question.text, question.refusal); }
    // The licence agreement of the package title names, which the user must
    // accept before it is installed; true only when it was accepted. refusal
    // as for confirm(). Not answered by a yes to every question.
    virtual bool acceptLicense(const QString& title, const QString& license, const QString& refusal) = 0;
    // Something failed or was done only in part; details is the whole report.
    virtual void warn(const QString& text, const QString& details) = 0;
    // Something failed that may succeed later (another program held the
    // installation); true to try again. A face that cannot ask warns.
    virtual bool offerRetry(const QString& text)
    {
        warn(text, QString());
        return false;
    }
    // Something to know while the operation goes on, that needs no answer.
    virtual void notice(const QString& text) = 0;
    // What a step that ended well did; details is its report.
    virtual void inform(const QString& text, const QString& details) = 0;
    // A progress display for one step, shown until finishProgress(); may be null.
    virtual IProgress* startProgress(const QString& title) = 0;
    virtual void finishProgress(IProgress* progress) = 0;
    // The installation's installed extensions changed on disk.
    virtual void installedChanged() = 0;
};
