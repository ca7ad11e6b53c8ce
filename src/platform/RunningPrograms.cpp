#include "platform/RunningPrograms.h"

#include "platform/CappedFile.h"

#ifdef Q_OS_WIN
// windows.h first: tlhelp32.h uses its types without including it.
#include <windows.h>

#include <tlhelp32.h>
#else
#include <QDir>
#endif

bool RunningPrograms::anyNamed(const QString& executableName)
{
#ifdef Q_OS_WIN
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = QString::fromWCharArray(entry.szExeFile).compare(executableName, Qt::CaseInsensitive) == 0;
    CloseHandle(snapshot);
    return found;
#elif defined(Q_OS_LINUX)
    // The kernel keeps a process's name to 15 characters; the command line's
    // first word names the executable in whole, with a Windows path under Wine.
    const QString shortName = executableName.left(15);
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& process : processes) {
        bool isNumber = false;
        process.toUInt(&isNumber);
        if (!isNumber)
            continue;
        const QString folder = QStringLiteral("/proc/") + process;
        QByteArray bytes;
        if (CappedFile::read(folder + QStringLiteral("/comm"), 256, &bytes)
            && QString::fromUtf8(bytes).trimmed().compare(shortName, Qt::CaseInsensitive) == 0)
            return true;
        if (!CappedFile::read(folder + QStringLiteral("/cmdline"), 64 * 1024, &bytes))
            continue;
        const QString program = QString::fromUtf8(bytes.left(bytes.indexOf('\0')));
        const int slash = qMax(program.lastIndexOf(QLatin1Char('/')), program.lastIndexOf(QLatin1Char('\\')));
        if (program.mid(slash + 1).compare(executableName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
#else
    Q_UNUSED(executableName)
    return false;
#endif
}
