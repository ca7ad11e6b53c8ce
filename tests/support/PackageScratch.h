#pragma once

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

// A scratch folder for package tests: package files written from bytes, and
// fresh folders to extract into.
class PackageScratch
{
public:
    QString write(const QByteArray& bytes, const QString& suffix)
    {
        QFile file(m_dir.filePath(QStringLiteral("p%1.%2").arg(++m_count).arg(suffix)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    QString freshFolder()
    {
        const QString path = m_dir.filePath(QStringLiteral("out%1").arg(++m_count));
        return QDir().mkpath(path) ? path : QString();
    }

    // Every file and folder below folder, relative to it, sorted.
    static QStringList filesBelow(const QString& folder)
    {
        QStringList found;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(folder).relativeFilePath(it.next());
        found.sort();
        return found;
    }

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};
