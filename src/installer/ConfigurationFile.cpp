#include "installer/ConfigurationFile.h"

#include "markup/Utf8.h"
#include "platform/CappedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

namespace {

qint64 sizeCap = 64 * 1024 * 1024;

} // namespace

qint64 ConfigurationFile::maximumSize()
{
    return sizeCap;
}

void ConfigurationFile::setMaximumSize(qint64 bytes)
{
    sizeCap = bytes;
}

ConfigurationFile::ConfigurationFile(const QString& path, const QString& backupPath)
    : m_path(path)
    , m_backupPath(backupPath)
{
}

bool ConfigurationFile::exists() const
{
    return QFileInfo(m_path).isFile();
}

bool ConfigurationFile::readBytes(const QString& path, QByteArray* bytes)
{
    return CappedFile::read(path, maximumSize(), bytes, &m_error);
}

bool ConfigurationFile::load(const QString& seedPath)
{
    m_error.clear();
    m_previousBytes.clear();
    m_text.clear();
    m_seeded = false;
    m_existed = exists();

    QByteArray bytes;
    if (m_existed) {
        if (!readBytes(m_path, &bytes)) {
            return false;
        }
        m_previousBytes = bytes;
    } else if (!seedPath.isEmpty()) {
        if (!QFileInfo(seedPath).isFile()) {
            m_error = QStringLiteral("neither %1 nor %2 exists").arg(m_path, seedPath);
            return false;
        }
        if (!readBytes(seedPath, &bytes)) {
            return false;
        }
        m_seeded = true;
    } else {
        m_error = QStringLiteral("%1 does not exist").arg(m_path);
        return false;
    }

    if (!decode(bytes, &m_text)) {
        m_error = QStringLiteral("%1 is not UTF-8 text").arg(m_seeded ? seedPath : m_path);
        return false;
    }
    return true;
}

bool ConfigurationFile::save(QByteArray bytes, Backup backup)
{
    m_error.clear();
    if (m_existed && !writeWhole(m_backupPath, m_previousBytes, &m_error)) {
        return false;
    }
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        m_error = QStringLiteral("cannot create the folder of %1").arg(m_path);
        return false;
    }
    bool refused = false;
    if (!writeWhole(m_path, bytes, &m_error, &refused)) {
        // Windows will not replace a file that a running program holds open,
        // and Dreamweaver holds its menus while it runs. Under Wine nothing
        // holds the file for other programs, so there this is a guess too.
        if (refused)
            m_error += QStringLiteral(" (if Dreamweaver is running, close it: it may hold the file)");
        return false;
    }
    // After a removal the backup holds what is now on disk, so that
    // Dreamweaver restoring from it never brings back what was taken out.
    // The file is written by then: a backup that cannot follow stays as the
    // previous content, which it held before.
    if (backup == Backup::Written) {
        QString ignored;
        static_cast<void>(writeWhole(m_backupPath, bytes, &ignored));
    }
    // The next save of this object backs up what is on disk now.
    m_previousBytes = std::move(bytes);
    m_existed = true;
    m_seeded = false;
    m_text.clear();
    return true;
}

bool ConfigurationFile::decode(const QByteArray& bytes, QString* text)
{
    // A byte-order mark stays a character, so that it is written back as it
    // was; Qt's decoder would drop it.
    static const QByteArray byteOrderMark("\xef\xbb\xbf");
    const bool marked = bytes.startsWith(byteOrderMark);
    QString decoded = Utf8::decode(bytes.constData() + (marked ? 3 : 0), bytes.size() - (marked ? 3 : 0));
    if (marked) {
        decoded.prepend(QChar(0xfeff));
    }
    // Bytes that do not decode come back as replacement characters, which
    // encode differently. Only a text holding one needs the costly check.
    if (decoded.contains(QChar(QChar::ReplacementCharacter)) && encode(decoded) != bytes) {
        return false;
    }
    *text = decoded;
    return true;
}

QByteArray ConfigurationFile::encode(const QString& text)
{
    return Utf8::encode(text);
}

bool ConfigurationFile::writeWhole(const QString& path, const QByteArray& bytes, QString* error, bool* refused)
{
#ifdef Q_OS_WIN
    // Windows refuses to replace a file that another program holds open (a
    // sharing violation); a virus scanner or the search indexer holds one only
    // for a moment, so a refusal is retried for a while before it counts.
    constexpr int attempts = 20;
    constexpr unsigned long pauseMs = 100;
#else
    constexpr int attempts = 1;
    constexpr unsigned long pauseMs = 0;
#endif
    bool wasRefused = true;
    for (int attempt = 1;; ++attempt) {
        if (writeWholeOnce(path, bytes, error, &wasRefused))
            return true;
        if (!wasRefused || attempt >= attempts)
            break;
        QThread::msleep(pauseMs);
    }
    if (refused)
        *refused = wasRefused;
    return false;
}

bool ConfigurationFile::writeWholeOnce(const QString& path, const QByteArray& bytes, QString* error, bool* refused)
{
    *refused = true;
    QSaveFile file(path);
    // Unbuffered, so that a short write shows in write()'s count: a buffered
    // QSaveFile commits a file cut short by a full disk or a size limit as if
    // it were whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *refused = false;
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
