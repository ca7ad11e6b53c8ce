#include "CliProfile.h"

#include "DiscoveryFixtures.h"
#include "InstallerFixtures.h"
#include "TestData.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const char profileFolder[] = "/profile";

} // namespace

CliProfile::CliProfile(bool empty)
{
    const QString profile = m_dir.path() + QLatin1String(profileFolder);
    const QString appData = profile + QStringLiteral("/AppData/Roaming");
    QDir().mkpath(appData);
    QDir().mkpath(profile + QStringLiteral("/ProgramData"));
    QDir().mkpath(profile + QStringLiteral("/Program Files"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/scratch"));
    if (empty) {
        return;
    }
    const struct
    {
        const char* folder;
        const char* version;
        QStringList locales;
    } installations[] = {
        { "Dreamweaver 2021", "21.0.0.15392", { QStringLiteral("en_US") } },
        { "Dreamweaver CS6", "12.0.0.5808", { QStringLiteral("en_US"), QStringLiteral("de_DE") } },
    };
    for (const auto& installation : installations) {
        const QString folder = QString::fromLatin1(installation.folder);
        for (const QString& locale : installation.locales) {
            DiscoveryFixtures::writeFile(appData + QStringLiteral("/Adobe/") + folder + QLatin1Char('/') + locale
                    + QStringLiteral("/Configuration/version.xml"),
                DiscoveryFixtures::versionXml(QString::fromLatin1(installation.version)));
        }
        const QString program = profile + QStringLiteral("/Program Files/Adobe/Adobe ") + folder;
        InstallerFixtures::writeFile(
            program + QStringLiteral("/Configuration/Menus/Menus.xml"), InstallerFixtures::menusXml());
        InstallerFixtures::writeFile(
            program + QStringLiteral("/Configuration/Objects/insertbar.xml"), InstallerFixtures::insertbarXml());
    }
}

QString CliProfile::configuration() const
{
    return m_dir.path() + QLatin1String(profileFolder)
        + QStringLiteral("/AppData/Roaming/Adobe/Dreamweaver 2021/en_US/Configuration");
}

QString CliProfile::scratchPath(const QString& name) const
{
    return m_dir.path() + QStringLiteral("/scratch/") + name;
}

QString CliProfile::toolPath()
{
    return QStringLiteral(MORAVEL_BINARY_DIR "/moravel-cli");
}

QProcessEnvironment CliProfile::environment() const
{
    const QString profile = m_dir.path() + QLatin1String(profileFolder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("APPDATA"), profile + QStringLiteral("/AppData/Roaming"));
    environment.insert(QStringLiteral("ALLUSERSPROFILE"), profile + QStringLiteral("/ProgramData"));
    environment.insert(QStringLiteral("ProgramW6432"), profile + QStringLiteral("/Program Files"));
    environment.remove(QStringLiteral("USERPROFILE"));
    return environment;
}

CliProfile::Result CliProfile::runOnTerminal(const QStringList& arguments, const QByteArray& input) const
{
    Result result;
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty()) {
        return result;
    }
    auto quoted = [](QString text) {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
    };
    const QString outPath = m_dir.path() + QStringLiteral("/terminal-out.txt");
    QString command = quoted(toolPath());
    for (const QString& argument : arguments) {
        command += QLatin1Char(' ') + quoted(argument);
    }
    command += QStringLiteral(" >") + quoted(outPath);

    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(m_dir.path() + QStringLiteral("/scratch"));
    // -e: script exits with the tool's own exit status.
    process.start(script, { QStringLiteral("-qec"), command, QStringLiteral("/dev/null") });
    if (!process.waitForStarted()) {
        return result;
    }
    process.write(input);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.err = process.readAllStandardOutput();
    result.out = InstallerFixtures::readFile(outPath);
    return result;
}

CliProfile::Result CliProfile::run(const QStringList& arguments) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(m_dir.path() + QStringLiteral("/scratch"));
    process.start(toolPath(), arguments);
    Result result;
    if (!process.waitForStarted()) {
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QMap<QString, QByteArray> CliProfile::snapshot() const
{
    const QString profile = m_dir.path() + QLatin1String(profileFolder);
    QMap<QString, QByteArray> entries;
    for (const QString& entry : InstallerFixtures::entriesBelow(profile)) {
        entries.insert(entry,
            entry.endsWith(QLatin1Char('/')) ? QByteArray()
                                             : InstallerFixtures::readFile(profile + QLatin1Char('/') + entry));
    }
    return entries;
}
