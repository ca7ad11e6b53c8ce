#pragma once

#include <QList>
#include <QString>

// What an install or a removal did, file by file, for a caller to show. The
// procedures themselves still answer only with their plain results.
class InstallReport
{
public:
    enum class FileOutcome {
        Written, // extracted (or the manifest copy stored)
        MissingFromPackage, // no such entry, or it could not be read
        RefusedDestination, // empty or relative destination
        WriteFailed, // the entry was read but the file could not be written
        Removed,
        NotPresent, // nothing to delete at that path
        KeptShared, // another installed extension still lists the same path
        RemoveFailed,
    };

    enum class XmlOutcome {
        Edited,
        Unchanged, // nothing to add or take out; the file was not rewritten
        Failed,
    };

    struct FileResult
    {
        QString locale;
        QString source; // the package entry or manifest name, as the manifest gives it
        QString path; // where it went or would have gone; empty when refused before resolving
        FileOutcome outcome;
        QString detail; // reason for a failure, or the extension that still needs the file
    };

    struct XmlResult
    {
        QString locale;
        QString path;
        XmlOutcome outcome;
        QString detail;
    };

    void addFile(const FileResult& result) { m_files.append(result); }
    void addXml(const XmlResult& result) { m_xmlFiles.append(result); }
    void setError(const QString& error) { m_error = error; }
    void clear();

    QList<FileResult> files() const { return m_files; }
    QList<XmlResult> xmlFiles() const { return m_xmlFiles; }
    // Why the whole operation stopped early; empty when it ran to its end.
    QString error() const { return m_error; }

    int fileCount(FileOutcome outcome) const;
    // One line per file and per XML file, for a log view or a terminal.
    QString toText() const;

    static QString describe(FileOutcome outcome);
    static QString describe(XmlOutcome outcome);

private:
    QList<FileResult> m_files;
    QList<XmlResult> m_xmlFiles;
    QString m_error;
};
