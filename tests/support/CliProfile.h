#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A stand-in Windows profile in a temporary folder, with two Dreamweaver
// installations (2021 with en_US; CS6 with en_US and de_DE) whose program
// folders hold fresh Menus.xml and insertbar.xml, and a way to run the built
// moravel-cli against it.
class CliProfile
{
public:
    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    // empty: the folders exist, but no installation is in them.
    explicit CliProfile(bool empty = false);

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    // The per-user configuration folder of the 2021 installation's en_US locale.
    QString configuration() const;
    // A file of the scratch folder beside the profile, for packages.
    QString scratchPath(const QString& name) const;

    // Runs moravel-cli with arguments and with the profile's environment; standard
    // input is closed, so the tool sees no terminal there.
    Result run(const QStringList& arguments) const;
    // Runs moravel-cli with standard input and standard error on a terminal
    // (through script(1)) and input typed on it; err is what the terminal
    // showed, out what the tool wrote to standard output. exitCode is -1 when
    // script(1) is not there.
    Result runOnTerminal(const QStringList& arguments, const QByteArray& input) const;

    // Every file and folder below the profile, with each file's bytes.
    QMap<QString, QByteArray> snapshot() const;

    static QString toolPath();

private:
    QProcessEnvironment environment() const;

    QTemporaryDir m_dir;
};
