#pragma once

#include "platform/FileFailure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Rules both package readers share: how stored names are decoded and turned
// into file names, how much one entry may claim, and how data is inflated and
// written.
namespace PackageSupport {

// No entry or MXP chunk is allowed to claim more than this: sizes come from
// untrusted headers and are checked before anything is allocated for them.
constexpr qint64 maxEntrySize = 256 * 1024 * 1024;

// Nor may one install extract more than this per locale in all: a manifest can
// list any number of entries, or one entry many times over, and a package of
// a few megabytes inflates to gigabytes. Twice the entry cap leaves room for
// the largest entry beside the rest of an extension.
constexpr qint64 maxExtractedTotal = 2 * maxEntrySize;

// Stored names are at most this many bytes long.
constexpr int maxNameLength = 260;

// A deflate stream yields at most 1032 bytes per input byte (a 258-byte match
// in two bits), so a size beyond this cannot be real.
qint64 maxInflatedSize(qint64 compressedSize);

// Cut at the first zero byte, then decoded as UTF-8.
QString decodeEntryName(const QByteArray& bytes);

// Warns that the entry with this overlong name is left out of the index,
// showing the name cut at the limit.
void warnLongName(const QString& format, const QByteArray& nameBytes);

// The text after the last dot, lower-cased, is "mxi".
bool hasMxiSuffix(const QString& name);

// The last component of an entry name (after its last slash or backslash), or
// an empty string when that component is empty, "." or "..": such a name would
// not name a file inside the target folder.
QString extractedFileName(const QString& entryName);

// An entry name as Windows compares it: either slash, no leading "./", any
// case. Manifests written by hand name entries all these ways.
QString comparableEntryName(const QString& name);

enum class InflateStatus {
    Complete, // the stream ended within the input and the output limit
    InitFailed, // zlib could not set up the stream
    Failed, // corrupt or cut-off data, or more output than the limit allows
};

enum class StreamFormat {
    RawDeflate, // ZIP entries
    Zlib, // MXP chunks: zlib header, deflate data, Adler-32
};

// Inflates input into output[0, capacity); produced receives the byte count.
InflateStatus inflateBounded(
    StreamFormat format, const char* input, qint64 inputSize, char* output, qint64 capacity, qint64& produced);

// root joined with names, each name spelt as a folder or file that already
// exists under another case spells it: Windows would use that one, and on a
// case-sensitive disk (or under Wine) a second folder beside it, differing
// only in case, would never be read.
QString withExistingCase(const QString& root, const QStringList& names);
// The same for a whole path: the part of it that exists as written stays.
QString withExistingCase(const QString& path);

// Writes data to folder/fileName through a temporary file that replaces the
// target only once everything was written, creating folder if needed (each
// part of it spelt as an existing folder that differs only in case).
// failure, when given, receives why the folder or the file could not be written.
[[nodiscard]] bool writeFileAtomically(
    const QString& folder, const QString& fileName, const QByteArray& data, FileFailure* failure = nullptr);

} // namespace PackageSupport
