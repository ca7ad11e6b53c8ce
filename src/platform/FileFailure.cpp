#include "platform/FileFailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("FileFailure", text);
}

} // namespace

FileFailure::FileFailure(const std::error_code& error, const QString& path)
    : m_path(path)
{
    if (!error) {
        m_kind = Kind::Other;
        m_reason = tr("the system gave no reason");
        return;
    }
    const std::error_condition condition = error.default_error_condition();
    const auto is = [&condition](std::errc code) { return condition == std::make_error_condition(code); };
#ifdef EDQUOT
    const bool quota = condition.category() == std::generic_category() && condition.value() == EDQUOT;
#else
    const bool quota = false;
#endif
    if (is(std::errc::permission_denied) || is(std::errc::operation_not_permitted)) {
        m_kind = Kind::PermissionDenied;
        m_reason = tr("permission denied");
    } else if (is(std::errc::read_only_file_system)) {
        m_kind = Kind::ReadOnly;
        m_reason = tr("the disk is read-only");
    } else if (is(std::errc::no_space_on_device) || quota) {
        m_kind = Kind::DiskFull;
        m_reason = quota ? tr("the disk quota is used up") : tr("the disk is full");
    } else if (is(std::errc::file_too_large)) {
        m_kind = Kind::DiskFull;
        m_reason = tr("the file is larger than the disk or a limit allows");
    } else if (is(std::errc::no_such_file_or_directory)) {
        m_kind = Kind::NotFound;
        m_reason = tr("the folder is not there");
    } else if (is(std::errc::filename_too_long)) {
        m_kind = Kind::NameTooLong;
        m_reason = tr("the path is too long");
    } else if (is(std::errc::not_a_directory) || is(std::errc::is_a_directory) || is(std::errc::file_exists)) {
        m_kind = Kind::InTheWay;
        m_reason = tr("another file or folder is in the way");
    } else {
        m_kind = Kind::Other;
        // The system's own words, as a clause of our sentence.
        m_reason = QString::fromLocal8Bit(error.message().c_str()).trimmed();
        if (!m_reason.isEmpty())
            m_reason[0] = m_reason.at(0).toLower();
    }
}

FileFailure FileFailure::lastError(const QString& path, const QString& fallback)
{
#ifdef Q_OS_WIN
    const std::error_code error(int(GetLastError()), std::system_category());
#else
    const std::error_code error(errno, std::generic_category());
#endif
    FileFailure failure(error, path);
    if (!error && !fallback.isEmpty())
        failure.m_reason = fallback;
    return failure;
}

QString FileFailure::advice() const
{
    // The folder concerned: the user acts on a folder, not on one file of an install.
    const QString folder = QDir::toNativeSeparators(QFileInfo(m_path).path());
    switch (m_kind) {
    case Kind::None:
        return QString();
    case Kind::PermissionDenied:
        return tr("make sure your account may write to %1 (or ask whoever manages it), then try again").arg(folder);
    case Kind::ReadOnly:
        return tr("make the disk that holds %1 writable, then try again").arg(folder);
    case Kind::DiskFull:
        return tr("free some space on the disk that holds %1, then try again").arg(folder);
    case Kind::NotFound:
        return tr("check that %1 is still there (a removed drive or a renamed folder), then try again").arg(folder);
    case Kind::NameTooLong:
        return tr("use an installation or folder with a shorter path than %1").arg(folder);
    case Kind::InTheWay:
        return tr("move aside what stands at %1 or in place of a folder above it, then try again")
            .arg(QDir::toNativeSeparators(m_path));
    case Kind::Other:
        break;
    }
    return tr("try again; if it fails again, check the disk that holds %1").arg(folder);
}

QString FileFailure::describe() const
{
    return isFailure() ? m_reason + QStringLiteral("; ") + advice() : QString();
}
