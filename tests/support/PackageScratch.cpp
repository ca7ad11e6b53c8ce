#include "support/PackageScratch.h"

#include <QDirIterator>
#include <QFile>

QString PackageScratch::write(const QByteArray& bytes, const QString& suffix)
{
    const QString path = m_dir.filePath(QStringLiteral("p%1.%2").arg(++m_count).arg(suffix));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString PackageScratch::freshFolder()
{
    const QString path = m_dir.filePath(QStringLiteral("out%1").arg(++m_count));
    QDir().mkpath(path);
    return path;
}

QStringList PackageScratch::filesBelow(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}
