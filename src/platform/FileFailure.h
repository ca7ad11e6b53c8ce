#pragma once

#include <QString>

#include <system_error>

// Why a file or folder could not be written, as the system said it, and what
// the user can do about it. Taken at the point of failure and carried to
// where the user is told, so that "could not be written" always comes with
// its reason ("permission denied", "the disk is full") and a next step.
class FileFailure
{
public:
    enum class Kind {
        None,
        PermissionDenied,
        ReadOnly,
        DiskFull,
        NotFound,
        NameTooLong,
        InTheWay, // a file where a folder should be, or a folder where a file should
        Other,
    };

    FileFailure() = default;
    FileFailure(const std::error_code& error, const QString& path);
    // The error the last system call of this thread left (errno, or
    // GetLastError() on Windows); read it straight after the call that
    // failed, before anything else can change it. fallback: the reason to
    // give when the system left none (Qt's own errorString()).
    static FileFailure lastError(const QString& path, const QString& fallback = QString());

    bool isFailure() const { return m_kind != Kind::None; }
    Kind kind() const { return m_kind; }
    QString path() const { return m_path; }
    // "permission denied", "the disk is full", or the system's own words.
    QString reason() const { return m_reason; }
    // What to do next, naming the folder concerned.
    QString advice() const;
    // "<reason>; <advice>", how reports give it; empty when nothing failed.
    QString describe() const;

private:
    Kind m_kind = Kind::None;
    QString m_path;
    QString m_reason;
};
