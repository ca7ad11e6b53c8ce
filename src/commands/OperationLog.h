#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

// What every install, removal and update did, newest last, in Moravel's data
// folder: one JSON object a line, so that a line cut off or damaged costs
// that entry alone. The file is rewritten whole for each entry (temporary
// file, then rename) under a lock, so that a crash or another process at the
// same moment leaves it as it was or with the entry; past maximumSize it
// becomes the one old file kept, and a new one starts.
class OperationLog
{
    Q_DECLARE_TR_FUNCTIONS(OperationLog)

public:
    struct Entry
    {
        QDateTime time; // in UTC
        QString operation; // "install", "update", "remove", ...
        QString installation;
        QString extension; // as questions and reports name it
        QString outcome; // "done", "incomplete" or "failed"
        QString report; // what the user was told, with the whole report
    };

    static constexpr qint64 maximumSize = 1024 * 1024;

    // The log and the old log kept beside it.
    static QString path();
    static QString oldPath();
    // Adds entry; false (error says why) when the log cannot be written.
    [[nodiscard]] static bool append(const Entry& entry, QString* error = nullptr);
    // The old log's entries, then the log's, newest last; lines that are
    // not an entry are passed over.
    static QList<Entry> read();
    // A heading line (local time, operation, installation, extension,
    // outcome), then the report indented.
    static QString toText(const Entry& entry);
    static QJsonObject toJson(const Entry& entry);
    static Entry fromJson(const QJsonObject& object);
};
