#include "packages/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString temporaryName(quint32 number)
{
    return QStringLiteral(".moravel-%1.part").arg(number, 8, 16, QLatin1Char('0'));
}

} // namespace

AtomicFile::AtomicFile(const QString& targetPath)
    : m_targetPath(targetPath)
{
}

AtomicFile::~AtomicFile()
{
    cancel();
}

bool AtomicFile::open()
{
    // A short name of its own, not the target's name plus a suffix, so that a
    // target name near the file system's length limit still fits.
    const QString folder = QFileInfo(m_targetPath).path();
    removeStaleTemporaries(folder);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString candidate = folder + QLatin1Char('/') + temporaryName(QRandomGenerator::global()->generate());
        m_temporary.setFileName(candidate);
        // NewOnly never opens a file that is already there, whoever made it.
        if (m_temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_created = true;
            return true;
        }
        // Before anything else sets the system's error anew.
        m_failure = FileFailure::lastError(m_targetPath, m_temporary.errorString());
        if (!QFileInfo::exists(candidate))
            break; // not a name clash: the folder cannot take the file
    }
    m_temporary.setFileName(QString());
    return false;
}

bool AtomicFile::write(const QByteArray& data)
{
    if (!m_created || m_failed) {
        m_failed = true;
        return false;
    }
    if (m_temporary.write(data) != data.size()) {
        m_failure = FileFailure::lastError(m_targetPath, m_temporary.errorString());
        m_failed = true;
    }
    return !m_failed;
}

bool AtomicFile::commit()
{
    if (!m_created || m_failed) {
        cancel();
        return false;
    }
    // Buffered data meets a full disk or a size limit only when it is written
    // out, so the flush counts as much as each write: a file cut short there
    // must not replace the target.
    if (!m_temporary.flush()) {
        m_failure = FileFailure::lastError(m_targetPath, m_temporary.errorString());
        cancel();
        return false;
    }
    m_temporary.close();
    if (m_temporary.error() != QFileDevice::NoError) {
        m_failure = FileFailure::lastError(m_targetPath, m_temporary.errorString());
        cancel();
        return false;
    }
    // Keep the permissions of a file that is replaced, as an in-place write would.
    if (QFileInfo::exists(m_targetPath))
        m_temporary.setPermissions(QFile::permissions(m_targetPath));
    // std::filesystem::rename replaces an existing target on every platform;
    // QFile::rename refuses to.
    std::error_code error;
    std::filesystem::rename(nativePath(m_temporary.fileName()), nativePath(m_targetPath), error);
    if (error) {
        m_failure = FileFailure(error, m_targetPath);
        cancel();
        return false;
    }
    m_created = false;
    return true;
}

void AtomicFile::cancel()
{
    if (!m_created)
        return;
    m_temporary.close();
    m_temporary.remove();
    m_created = false;
}

void AtomicFile::removeStaleTemporaries(const QString& folder, int olderThanSeconds)
{
    // Staleness goes by age, not by a process id in the name: a live writer
    // changes its temporary with every write and renames it within the time one
    // entry takes to inflate, so one unchanged for minutes has lost its writer,
    // whichever machine that was on. Should a stalled writer lose its temporary
    // all the same, its rename fails and its target stays as it was.
    static const QRegularExpression ours(QStringLiteral("^\\.moravel-[0-9a-f]{8}\\.part$"));
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-olderThanSeconds);
    const QFileInfoList found = QDir(folder).entryInfoList(
        { QStringLiteral(".moravel-*.part") }, QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::CaseSensitive);
    for (const QFileInfo& info : found) {
        if (ours.match(info.fileName()).hasMatch() && (olderThanSeconds == 0 || info.lastModified() < staleBefore))
            QFile::remove(info.filePath());
    }
}
