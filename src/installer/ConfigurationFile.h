#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

// One of Dreamweaver's per-user XML files (Menus.xml, insertbar.xml) as the
// editors read and replace it. Dreamweaver loses its menus when such a file is
// damaged, so the file is only ever replaced whole, and its previous content is
// kept beside it first.
class ConfigurationFile
{
public:
    // Larger files are refused rather than read whole, and no edit may grow a
    // file past it, since every later edit would then refuse the file;
    // Dreamweaver's own are well under a megabyte. 64 MiB unless set (tests
    // lower it to reach it without writing that much).
    static qint64 maximumSize();
    static void setMaximumSize(qint64 bytes);

    // backupPath receives the previous content before each change.
    ConfigurationFile(const QString& path, const QString& backupPath);

    QString path() const { return m_path; }
    bool exists() const;

    // Reads the file, or when it does not exist and seedPath is given, the
    // seed (Dreamweaver's own copy) in its place. The text keeps every
    // character as read, line ends and a byte-order mark included, so that
    // what no edit touches is written back byte for byte; text that is not
    // valid UTF-8 is refused, since writing it back would replace the bytes
    // that do not decode.
    [[nodiscard]] bool load(const QString& seedPath = QString());
    QString text() const { return m_text; }
    // The text, which this object then no longer holds.
    QString takeText() { return std::exchange(m_text, QString()); }
    bool isSeeded() const { return m_seeded; }

    // Writes the UTF-8 bytes of a text (encode()) through a temporary file
    // that replaces the file only when complete.
    // A file that existed is first copied to the backup path the same way; when
    // that fails, the file is not touched. text() is empty after it.
    // Backup::Written (a removal) then makes the backup the written bytes.
    enum class Backup { Previous, Written };
    [[nodiscard]] bool save(QByteArray bytes, Backup backup = Backup::Previous);

    QString errorString() const { return m_error; }

    // Shared with the tests that compare files byte for byte.
    [[nodiscard]] static bool decode(const QByteArray& bytes, QString* text);
    static QByteArray encode(const QString& text);
    // refused, when given, tells a failure to open or replace the file (what
    // another program holding it causes) from a write that fell short.
    [[nodiscard]] static bool writeWhole(
        const QString& path, const QByteArray& bytes, QString* error, bool* refused = nullptr);

private:
    bool readBytes(const QString& path, QByteArray* bytes);
    static bool writeWholeOnce(const QString& path, const QByteArray& bytes, QString* error, bool* refused);

    QString m_path;
    QString m_backupPath;
    QByteArray m_previousBytes;
    QString m_text;
    bool m_existed = false;
    bool m_seeded = false;
    QString m_error;
};
