#pragma once

#include "platform/FileFailure.h"

#include <QFile>
#include <QString>

// Writes a file whole or not at all: the data goes to a new temporary file
// beside the target, which replaces the target only on commit(). Unlike
// QSaveFile it does not flush each file to disk: a package extracts hundreds
// of files, and a flush per file made extraction five times slower than
// unzip's. What it guarantees is that a failed write never touches an existing
// target and leaves no partial file.
class AtomicFile
{
public:
    explicit AtomicFile(const QString& targetPath);
    ~AtomicFile();

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    [[nodiscard]] bool open();
    [[nodiscard]] bool write(const QByteArray& data);
    // Renames the temporary file over the target; false leaves the target as it was.
    [[nodiscard]] bool commit();
    // Drops what was written; also done by the destructor unless committed.
    void cancel();
    // Why open(), write() or commit() failed, as the system said it.
    FileFailure failure() const { return m_failure; }

    // Deletes the temporaries in folder that no writer uses any more (a killed
    // install leaves them, hidden, beside Dreamweaver's files); open() does so
    // in its own folder. Nothing but this class's temporaries is touched.
    // olderThanSeconds 0 takes every one, for a caller that knows no writer
    // is left (one that holds the installation's lock after a killed holder).
    static void removeStaleTemporaries(const QString& folder, int olderThanSeconds = staleAfterSeconds);
    // A temporary left unchanged this long counts as stale.
    static constexpr int staleAfterSeconds = 15 * 60;

private:
    QString m_targetPath;
    QFile m_temporary;
    bool m_created = false;
    bool m_failed = false;
    FileFailure m_failure;
};
