#include "platform/CappedFile.h"

#include <QFile>

bool CappedFile::read(const QString& path, qint64 maximumSize, QByteArray* bytes, QString* error)
{
    bytes->clear();
    const auto fail = [&](const QString& reason) {
        bytes->clear();
        if (error)
            *error = reason;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    const QString tooLarge = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maximumSize);
    const qint64 size = file.size();
    if (size > maximumSize)
        return fail(tooLarge);

    // In pieces, not as one read of the cap: the size may be stale (a file that
    // grows, or one that reports none), and a cap of many megabytes should not
    // be allocated for a file of a few bytes.
    constexpr qint64 pieceSize = 64 * 1024;
    bytes->reserve(int(size));
    for (;;) {
        const QByteArray piece = file.read(qMin(pieceSize, maximumSize + 1 - bytes->size()));
        if (file.error() != QFileDevice::NoError)
            return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        if (piece.isEmpty())
            return true;
        bytes->append(piece);
        if (bytes->size() > maximumSize)
            return fail(tooLarge);
    }
}
