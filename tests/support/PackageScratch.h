#pragma once

#include "ScratchFiles.h"

#include <QDir>
#include <QTemporaryDir>

// A scratch folder for package tests: package files written from bytes, and
// fresh folders to extract into.
class PackageScratch
{
public:
    QString write(const QByteArray& bytes, const QString& suffix)
    {
        const QString path = m_dir.filePath(QStringLiteral("p%1.%2").arg(++m_count).arg(suffix));
        if (!ScratchFiles::writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString freshFolder()
    {
        const QString path = m_dir.filePath(QStringLiteral("out%1").arg(++m_count));
        return QDir().mkpath(path) ? path : QString();
    }

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};
