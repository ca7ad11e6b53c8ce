#include "platform/CappedFile.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// In pieces, not as one read of the cap: the size may be stale (a file that
// grows, or one that reports none), and a cap of many megabytes should not be
// allocated for a file of a few bytes.
constexpr qint64 pieceSize = 64 * 1024;

#ifdef Q_OS_UNIX
// Larger than nearly every manifest, small enough for the stack.
constexpr int firstReadSize = 16 * 1024;
#endif

bool fail(QByteArray* bytes, QString* error, const QString& reason)
{
    bytes->clear();
    if (error)
        *error = reason;
    return false;
}

// Built only on failure: hundreds of manifests are read each time a list is shown.
bool failTooLarge(QByteArray* bytes, QString* error, const QString& path, qint64 maximumSize)
{
    return fail(bytes, error, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maximumSize));
}

bool readThroughQFile(const QString& path, qint64 maximumSize, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(bytes, error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    const qint64 size = file.size();
    if (size > maximumSize)
        return failTooLarge(bytes, error, path, maximumSize);
    bytes->reserve(int(size));
    for (;;) {
        const QByteArray piece = file.read(qMin(pieceSize, maximumSize + 1 - bytes->size()));
        if (file.error() != QFileDevice::NoError)
            return fail(bytes, error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        if (piece.isEmpty())
            return true;
        bytes->append(piece);
        if (bytes->size() > maximumSize)
            return failTooLarge(bytes, error, path, maximumSize);
    }
}

#ifdef Q_OS_UNIX
enum class DirectRead { Read, TooLarge, ReadFailed, NotRegular, NotOpened };

// Four system calls for a regular file (open, fstat, one read, close) where
// QFile takes six (see FolderFiles.h for what replacing it cost): it states the file again for its size and reads once more
// to see the end. A regular file that reads short of what was asked has
// ended, so asking for one byte past its size learns both its contents and
// that it did not grow. A file its folder listed as regular is most often a
// small manifest, one of hundreds: one read into a buffer learns all of it
// without stating it first (three calls), and one that fills the buffer is
// stated and read on as any other.
// The path is relative to folder (AT_FDCWD for the working folder).
DirectRead readDirectly(
    int folder, const QString& path, bool listedRegular, qint64 maximumSize, QByteArray* bytes, int* readError)
{
    // Without O_NONBLOCK, opening a FIFO put where a file belongs waits for a
    // writer that may never come, and every command would hang on it. A
    // regular file ignores the flag.
    const int descriptor
        = ::openat(folder, QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0)
        return DirectRead::NotOpened;
    struct Closer
    {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer { descriptor };

    char first[firstReadSize];
    qint64 filled = 0;
    if (listedRegular) {
        const qint64 wanted = qMin(qint64(sizeof first), maximumSize + 1);
        ssize_t got;
        do {
            got = ::read(descriptor, first, size_t(wanted));
        } while (got < 0 && errno == EINTR);
        // A folder put in the file's place since it was listed is not opened, as below.
        if (got < 0 && errno == EISDIR)
            return DirectRead::NotOpened;
        if (got < 0) {
            *readError = errno;
            return DirectRead::ReadFailed;
        }
        if (got < wanted) {
            *bytes = QByteArray(first, int(got));
            return DirectRead::Read;
        }
        if (got > maximumSize)
            return DirectRead::TooLarge;
        filled = got;
    }

    struct stat status;
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode))
        return DirectRead::NotOpened;
    // A FIFO, a socket or a device never ends, or ends when someone else
    // decides: what this reads (manifests, records, registry and
    // configuration files) is only ever a regular file.
    if (!S_ISREG(status.st_mode))
        return DirectRead::NotRegular;
    const qint64 size = status.st_size;
    if (size > maximumSize)
        return DirectRead::TooLarge;

    bytes->resize(int(qMax(size, filled) + 1));
    memcpy(bytes->data(), first, size_t(filled));
    for (;;) {
        if (filled == bytes->size()) {
            if (filled > maximumSize)
                return DirectRead::TooLarge;
            bytes->resize(int(qMin(filled + pieceSize, maximumSize + 1)));
        }
        const qint64 wanted = bytes->size() - filled;
        const ssize_t got = ::read(descriptor, bytes->data() + filled, size_t(wanted));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // Taken before the file is closed, which may set errno again.
            *readError = errno;
            return DirectRead::ReadFailed;
        }
        filled += got;
        // Past its stated size a short read is the end of the file; before
        // it, or in a file that states none (most of /proc), only an empty
        // read is.
        if (got == 0 || (size > 0 && filled >= size && got < wanted))
            break;
    }
    bytes->resize(int(filled));
    return DirectRead::Read;
}
#endif

} // namespace

#ifdef Q_OS_UNIX
namespace {

// path names the file in errors and for QFile, which tells why it could not
// be opened in its own words and reads what it alone can open, such as the
// program's resources.
template <typename Path>
bool readDirectlyOrThroughQFile(int folder, const QString& name, bool listedRegular, const Path& path,
    qint64 maximumSize, QByteArray* bytes, QString* error)
{
    bytes->clear();
    int readError = 0;
    switch (readDirectly(folder, name, listedRegular, maximumSize, bytes, &readError)) {
    case DirectRead::Read:
        return true;
    case DirectRead::TooLarge:
        return failTooLarge(bytes, error, path(), maximumSize);
    case DirectRead::ReadFailed:
        return fail(bytes, error, QStringLiteral("cannot read %1: %2").arg(path(), qt_error_string(readError)));
    case DirectRead::NotRegular:
        return fail(bytes, error, QStringLiteral("%1 is not a regular file").arg(path()));
    case DirectRead::NotOpened:
        break;
    }
    bytes->clear();
    return readThroughQFile(path(), maximumSize, bytes, error);
}

} // namespace

bool CappedFile::read(const QString& path, qint64 maximumSize, QByteArray* bytes, QString* error)
{
    return readDirectlyOrThroughQFile(
        AT_FDCWD, path, false, [&path] { return path; }, maximumSize, bytes, error);
}

bool CappedFile::readAt(int folderDescriptor, const QString& folderPath, const QString& name, bool listedRegular,
    qint64 maximumSize, QByteArray* bytes, QString* error)
{
    return readDirectlyOrThroughQFile(
        folderDescriptor, name, listedRegular, [&] { return folderPath + QLatin1Char('/') + name; }, maximumSize, bytes,
        error);
}
#else
bool CappedFile::read(const QString& path, qint64 maximumSize, QByteArray* bytes, QString* error)
{
    bytes->clear();
    return readThroughQFile(path, maximumSize, bytes, error);
}
#endif
