#include "platform/FolderFiles.h"

#include "platform/CappedFile.h"

#include <QFile>

#include <utility>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#else
#include <QDirIterator>
#endif

#ifdef Q_OS_UNIX

namespace {

DIR* folderOf(void* handle)
{
    return static_cast<DIR*>(handle);
}

bool isAscii(const char* name)
{
    for (; *name; ++name) {
        if (static_cast<unsigned char>(*name) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

// What QDirIterator keeps under QDir::Files without QDir::System: a regular
// file, or a link to anything that exists and is not a folder. The type the
// folder states spares a stat for plain files; a link, or an entry of a file
// system that states no type, is looked at.
bool FolderFiles::listsEntry(int folderDescriptor, const char* name, unsigned char statedType, bool* regular)
{
    struct stat status;
    mode_t type = DTTOIF(statedType);
    if (statedType == DT_UNKNOWN) {
        if (::fstatat(folderDescriptor, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        type = status.st_mode;
    }
    if (regular)
        *regular = S_ISREG(type);
    if (S_ISREG(type))
        return true;
    if (!S_ISLNK(type))
        return false;
    return ::fstatat(folderDescriptor, name, &status, 0) == 0 && !S_ISDIR(status.st_mode);
}

FolderFiles::FolderFiles(const QString& folder)
    : m_folder(folder)
    , m_handle(::opendir(QFile::encodeName(folder).constData()))
{
}

FolderFiles::~FolderFiles()
{
    if (m_handle)
        ::closedir(folderOf(m_handle));
}

QList<FolderFiles::File> FolderFiles::files() const
{
    QList<File> files;
    if (!m_handle)
        return files;
    DIR* folder = folderOf(m_handle);
    ::rewinddir(folder);
    while (const dirent* entry = ::readdir(folder)) {
        // Hidden files, and with them "." and "..", as Qt hides them on Unix.
        bool regular = false;
        if (entry->d_name[0] == '.' || !listsEntry(::dirfd(folder), entry->d_name, entry->d_type, &regular))
            continue;
        // Qt lists only names that its encoding gives back byte for byte: one
        // that is not, it could not open by the name it would give. ASCII
        // reads the same in every encoding a file system uses.
        QString name;
        if (isAscii(entry->d_name)) {
            name = QString::fromLatin1(entry->d_name);
        } else {
            name = QFile::decodeName(entry->d_name);
            if (QFile::encodeName(name) != entry->d_name)
                continue;
        }
        files.append({ std::move(name), regular });
    }
    return files;
}

bool FolderFiles::read(const File& file, qint64 maximumSize, QByteArray* bytes, QString* error) const
{
    if (!m_handle)
        return CappedFile::read(m_folder + QLatin1Char('/') + file.name, maximumSize, bytes, error);
    return CappedFile::readAt(
        ::dirfd(folderOf(m_handle)), m_folder, file.name, file.regular, maximumSize, bytes, error);
}

#else

FolderFiles::FolderFiles(const QString& folder)
    : m_folder(folder)
{
}

FolderFiles::~FolderFiles() = default;

QList<FolderFiles::File> FolderFiles::files() const
{
    QList<File> files;
    QDirIterator listed(m_folder, QDir::Files | QDir::NoDotAndDotDot);
    while (listed.hasNext()) {
        listed.next();
        files.append({ listed.fileName(), false });
    }
    return files;
}

bool FolderFiles::read(const File& file, qint64 maximumSize, QByteArray* bytes, QString* error) const
{
    return CappedFile::read(m_folder + QLatin1Char('/') + file.name, maximumSize, bytes, error);
}

#endif
