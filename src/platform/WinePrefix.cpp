#include "platform/WinePrefix.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char* const folderVariables[] = { "APPDATA", "USERPROFILE", "ALLUSERSPROFILE", "ProgramW6432" };

QString join(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

bool WinePrefix::open(const QString& folder)
{
    m_folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    m_variables.clear();
    m_error.clear();
    if (!m_machine.load(join(m_folder, QStringLiteral("system.reg")))) {
        m_error = QStringLiteral("%1 is not a Wine prefix: %2").arg(m_folder, m_machine.errorString());
        return false;
    }
    const QString driveC = localPath(QStringLiteral("C:"));
    if (!QFileInfo(driveC).isDir()) {
        m_error = QStringLiteral("%1 is not a Wine prefix: it has no drive C: (dosdevices/c:)").arg(m_folder);
        return false;
    }
    // Everything written for the prefix goes through drive C:; a link that
    // leads it elsewhere would have installs write there, outside the prefix.
    const QString driveFolder = QFileInfo(driveC).canonicalFilePath();
    if (!isInside(driveFolder, QFileInfo(m_folder).canonicalFilePath())) {
        m_error = QStringLiteral("%1 is not used: its drive C: (dosdevices/c:) leads outside it, to %2")
                      .arg(m_folder, driveFolder);
        return false;
    }

    // Where the user's folders are, as Wine told its programs when it made the prefix.
    const QString user = userFolder();
    WineRegistry userRegistry;
    QString roaming;
    if (userRegistry.load(join(m_folder, QStringLiteral("user.reg")))) {
        roaming = localPath(
            userRegistry.value(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                QStringLiteral("AppData")));
    }
    // Wine links some user folders to the home folder; what is written for
    // the prefix stays in it.
    if (roaming.isEmpty() || !isInside(roaming, m_folder)) {
        roaming = user + QStringLiteral("/AppData/Roaming");
        // The name in prefixes made for Windows XP and older.
        if (!QFileInfo(roaming).isDir() && QFileInfo(user + QStringLiteral("/Application Data")).isDir())
            roaming = user + QStringLiteral("/Application Data");
    }
    const QString values[]
        = { roaming, user, driveC + QStringLiteral("/ProgramData"), driveC + QStringLiteral("/Program Files") };
    for (int i = 0; i < 4; ++i)
        m_variables.insert(QLatin1String(folderVariables[i]), values[i]);
    // A 32-bit program's folder: its own in a 64-bit prefix, the only one in a 32-bit prefix.
    m_variables.insert(QStringLiteral("ProgramFiles"), values[3]);
    if (m_machine.is64Bit())
        m_variables.insert(QStringLiteral("ProgramFiles(x86)"), driveC + QStringLiteral("/Program Files (x86)"));
    return true;
}

QString WinePrefix::userFolder() const
{
    // Wine names the user's folder after the login that made the prefix.
    const QString users = localPath(QStringLiteral("C:\\users"));
    const QString login = qEnvironmentVariable("USER");
    if (!login.isEmpty() && QFileInfo(join(users, login)).isDir())
        return join(users, login);
    const QStringList others = QDir(users).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& other : others) {
        if (other.compare(QLatin1String("Public"), Qt::CaseInsensitive) != 0)
            return join(users, other);
    }
    return join(users, login);
}

QString WinePrefix::localPath(const QString& windowsPath) const
{
    if (windowsPath.size() < 2 || windowsPath.at(1) != QLatin1Char(':'))
        return QString();
    const QChar letter = windowsPath.at(0).toLower();
    if (letter < QLatin1Char('a') || letter > QLatin1Char('z'))
        return QString();
    const QFileInfo drive(m_folder + QStringLiteral("/dosdevices/") + letter + QLatin1Char(':'));
    if (!drive.exists())
        return QString();
    QString path = drive.isSymLink() ? drive.symLinkTarget() : drive.absoluteFilePath();
    // Windows takes ".." within the drive, never above its root.
    QStringList components;
    QString rest = windowsPath.mid(2);
    for (const QString& component : rest.replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'))) {
        if (component == QLatin1String("..")) {
            if (!components.isEmpty())
                components.removeLast();
        } else if (!component.isEmpty() && component != QLatin1String(".")) {
            components.append(component);
        }
    }
    bool found = true;
    for (const QString& component : qAsConst(components)) {
        QString next = join(path, component);
        if (found && !QFileInfo::exists(next)) {
            found = false;
            const QStringList entries
                = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString& entry : entries) {
                if (entry.compare(component, Qt::CaseInsensitive) == 0) {
                    next = join(path, entry);
                    found = true;
                    break;
                }
            }
        }
        path = next;
    }
    return path;
}

QString WinePrefix::defaultFolder(const QString& remembered)
{
#ifdef Q_OS_WIN
    // Wine hands WINEPREFIX to every Windows program it runs; the Windows
    // build reads the machine it runs on, whose paths a prefix would only garble.
    Q_UNUSED(remembered);
    return QString();
#else
    const QString chosen = qEnvironmentVariable("WINEPREFIX");
    if (!chosen.isEmpty())
        return chosen;
    for (const char* name : folderVariables) {
        if (!qEnvironmentVariableIsEmpty(name))
            return QString();
    }
    if (!remembered.isEmpty())
        return remembered;
    const QString home = QDir::homePath() + QStringLiteral("/.wine");
    return QFileInfo(home).isDir() ? home : QString();
#endif
}
