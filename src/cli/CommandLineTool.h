#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class DreamweaverInfo;
class ExtensionInfo;
class InstallReport;
class IProgress;

// The commands of moravel-cli: list installations, list, inspect, install,
// remove and verify extensions, on the same installations and store folders
// the window uses. Results go to standard output, everything else (errors,
// questions, progress) to standard error.
class CommandLineTool
{
public:
    enum ExitStatus {
        Success = 0,
        Failed = 1, // the operation failed or was refused
        UsageError = 2,
        NotFound = 3, // the package, target or extension does not exist
    };

    int run(const QStringList& arguments);

private:
    int list();
    int installed();
    int info(const QString& packagePath);
    int install(const QString& packagePath);
    int remove(const QString& extension);
    int verify();

    // The installation --target names, or the first; null (with the message
    // written) when there is none.
    DreamweaverInfo* findTarget();
    // Checks that packagePath names a package file; writes the message and
    // returns the exit status when it does not, else Success.
    int checkPackage(const QString& packagePath);
    // Yes when --yes was given; otherwise asks on the terminal, and refuses
    // when there is no terminal to ask on.
    bool confirm(const QString& question, const QString& refusal);
    // Shows "Removing" on progress, when there is one. plannedTexts: for a
    // dry run, receives what the planned removal leaves of the configuration files.
    bool removeInstalled(DreamweaverInfo& target, const ExtensionInfo& extension, IProgress* progress,
        InstallReport* report, QHash<QString, QString>* plannedTexts) const;

    void writeOut(const QString& text) const;
    void writeError(const QString& text) const;
    void writeJson(const QJsonObject& object) const;

    QString m_target;
    bool m_targetGiven = false;
    bool m_json = false;
    bool m_yes = false;
    bool m_dryRun = false;
};
