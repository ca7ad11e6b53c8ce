#pragma once

#include "discovery/ConfigurationInsert.h"
#include "discovery/FileEntry.h"
#include "discovery/InsertbarInsert.h"
#include "discovery/MenuInsert.h"
#include "discovery/ProductInfo.h"
#include "platform/FolderFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class Accessor;
class IPackage;

// One extension as its MXI manifest describes it. A value: the lists are
// implicitly shared, so copies are cheap.
class ExtensionInfo
{
public:
    // Manifests are small; anything larger is refused rather than read whole.
    static constexpr qint64 maximumManifestSize = 16 * 1024 * 1024;

    // What a constructor reads of the manifest: the details as well cost no
    // second parse when they are read at once. A stored manifest read for its
    // header alone gives its description and products when they are first
    // asked for: a list of the installed extensions shows neither. The files
    // without the configuration changes are for a removal whose install
    // record lists what the changes added.
    enum class Parts { Header, HeaderAndFiles, HeaderAndDetails };

    // What the manifest tells the user besides its description, as plain text.
    struct Notes
    {
        QString license; // to be accepted before it is installed; empty when there is none
        QString uiAccess; // where to find it in Dreamweaver
        bool requiresRestart = false;
    };

    ExtensionInfo() = default;
    // A package (".zxp" or ".mxp", by lower-cased suffix) or a stored manifest file.
    explicit ExtensionInfo(const QString& path, Parts parts = Parts::Header);
    ExtensionInfo(const QByteArray& manifestBytes, const QString& fileName, Parts parts = Parts::Header);
    // A stored manifest file of folder, read as the constructor above reads it by its path.
    ExtensionInfo(const FolderFiles& folder, const FolderFiles::File& file, Parts parts = Parts::Header);
    // The manifest copy an install stored at storedPath, parts read; none
    // when no file is there (the extension is not in that locale).
    static std::optional<ExtensionInfo> readStored(const QString& storedPath, Parts parts = Parts::HeaderAndDetails);

    // Fills files and the configuration changes; running it again gives the same lists.
    void parseDetails();

    QString manifest() const { return m_manifest; }
    QString id() const { return m_id; }
    QString name() const { return m_name; }
    QString version() const { return m_version; }
    QString author() const { return m_author; }
    QString fileName() const { return m_fileName; }
    QString description() const;
    QList<ProductInfo> products() const;
    Notes notes() const;
    QList<FileEntry> files() const { return m_files; }
    QList<MenuInsert> menuInserts() const { return m_menuInserts; }
    QList<InsertbarInsert> insertbarInserts() const { return m_insertbarInserts; }
    QList<ConfigurationInsert> configurationInserts() const { return m_configurationInserts; }
    // Listed from the manifests another program (Adobe's Extension Manager)
    // keeps, rather than from this program's store.
    bool isInstalledByOtherProgram() const { return m_installedByOtherProgram; }
    void setInstalledByOtherProgram(bool other) { m_installedByOtherProgram = other; }

    // Why the manifest's bytes could not be read as text (an encoding not
    // read); empty when they could, or when there were none.
    QString manifestProblem() const { return m_manifestProblem; }

    // The manifest text of raw bytes, in their encoding (ManifestDecoder), up
    // to the first zero character; empty past the size cap, or in an
    // encoding not read, and then problem (when given) says why.
    static QString decodeManifest(const QByteArray& bytes, QString* problem = nullptr);
    // A manifest's HTML text (its tags dropped, its breaks kept as lines) or
    // plain text, trimmed line by line.
    static QString plainText(const QString& html);

private:
    void readManifestFrom(IPackage& package);
    // Takes a stored manifest's bytes (none when it could not be read) and reads what parts asks for.
    void readStoredManifest(bool read, QByteArray bytes, Parts parts);
    // Reads from the manifest's tree, parsed once for consecutive reads of one text.
    void parse(bool header, bool files, bool changes);
    // The elements the header and the file list are read from, found in one
    // walk of the tree rather than one for each name: a manifest of many
    // menu entries is mostly nodes that are none of them.
    struct ManifestElements;
    static ManifestElements manifestElements(Accessor& document);
    void readHeader(const ManifestElements& elements);
    void readTitle(const ManifestElements& elements);
    // Id, name, version and author from the start of the manifest, parsed as
    // far as the author; false when that start may not hold the answer.
    bool readTitleFromStart();
    void readTitleAttributes(QStringView extensionTag, QStringView authorTag);
    void readChanges(const ManifestElements& elements);
    static Notes notesOf(const ManifestElements& elements);
    void readFileEntries(const ManifestElements& elements);

    QString m_manifest;
    QString m_manifestProblem;
    QString m_id;
    QString m_name;
    QString m_version;
    QString m_author;
    QString m_fileName;
    QList<FileEntry> m_files;
    QList<MenuInsert> m_menuInserts;
    QList<InsertbarInsert> m_insertbarInserts;
    QList<ConfigurationInsert> m_configurationInserts;
    bool m_installedByOtherProgram = false;
    QString m_description;
    QList<ProductInfo> m_products;
    Notes m_notes;
    // The description and products of a manifest read for its title alone,
    // shared by the copies of this value and read once for all of them.
    struct DeferredHeader;
    std::shared_ptr<DeferredHeader> m_deferred;
};
