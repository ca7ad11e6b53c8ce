#pragma once

#include <QStringList>
#include <QTemporaryDir>

// A scratch folder for package tests: package files written from bytes, and
// fresh folders to extract into.
class PackageScratch
{
public:
    QString write(const QByteArray& bytes, const QString& suffix);
    QString freshFolder();
    // Every file and folder below folder, relative to it, sorted.
    static QStringList filesBelow(const QString& folder);

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};
