#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;

// Asks before package files opened from outside the window (a file manager's
// double-click, a later start, a drop) are installed: it names each package
// with its version and author, and the installation it goes into, which can
// be chosen there.
class OpenFilesDialog : public QDialog
{
    Q_OBJECT

public:
    // installations: the selector's names; current: the one offered first.
    OpenFilesDialog(const QStringList& paths, const QStringList& installations, int current, QWidget* parent);

    // The installation chosen, as an index into the names given.
    int installation() const;
    // "Velkor Snippets 1.0.0 by Velkor", or the file's name when it cannot be read as a package.
    static QString describe(const QString& path);

private:
    QComboBox* m_installations;
};
