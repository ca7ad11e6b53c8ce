#include "installer/ConfigurationFile.h"

#include "platform/CappedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>

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
    return CappedFile::read(path, maximumSize, bytes, &m_error);
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

bool ConfigurationFile::save(const QString& text)
{
    m_error.clear();
    if (m_existed && !writeWhole(m_backupPath, m_previousBytes, &m_error)) {
        return false;
    }
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        m_error = QStringLiteral("cannot create the folder of %1").arg(m_path);
        return false;
    }
    if (!writeWhole(m_path, encode(text), &m_error)) {
        return false;
    }
    // The next save of this object backs up what is on disk now.
    m_previousBytes = encode(text);
    m_existed = true;
    m_seeded = false;
    m_text = text;
    return true;
}

bool ConfigurationFile::decode(const QByteArray& bytes, QString* text)
{
    QTextCodec* codec = QTextCodec::codecForName("UTF-8");
    // A byte-order mark stays a character, so that it is written back as it was.
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    QString decoded = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0) {
        return false;
    }
    // Line ends are read as a single "\n", as a file opened in text mode reads them.
    decoded.remove(QLatin1Char('\r'));
    *text = decoded;
    return true;
}

QByteArray ConfigurationFile::encode(const QString& text)
{
#ifdef Q_OS_WIN
    QString withLineEnds = text;
    withLineEnds.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return withLineEnds.toUtf8();
#else
    return text.toUtf8();
#endif
}

bool ConfigurationFile::writeWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    // Unbuffered, so that a short write shows in write()'s count: a buffered
    // QSaveFile commits a file cut short by a full disk or a size limit as if
    // it were whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
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
