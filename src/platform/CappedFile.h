#pragma once

#include <QByteArray>
#include <QString>

// Reads whole files whose size is not ours to trust: one that claims more than
// the cap is refused before anything is allocated for it, and one that grows
// while it is read is refused once it passes the cap.
class CappedFile
{
public:
    // Fills bytes with the file's contents and returns true; false leaves bytes
    // empty and puts the reason, naming the file, into error (when given).
    // maximumSize stays below 2 GiB, the most a QByteArray holds.
    [[nodiscard]] static bool read(
        const QString& path, qint64 maximumSize, QByteArray* bytes, QString* error = nullptr);
#ifdef Q_OS_UNIX
    // The same read of the file name in the folder open as folderDescriptor,
    // whose path is folderPath: the file's path is put together only to name
    // it in an error, or for QFile to open what the descriptor cannot.
    // listedRegular: the folder listed the name as a regular file itself, not
    // a link, so that a read short of what was asked is its end.
    [[nodiscard]] static bool readAt(int folderDescriptor, const QString& folderPath, const QString& name,
        bool listedRegular, qint64 maximumSize, QByteArray* bytes, QString* error = nullptr);
#endif
};
