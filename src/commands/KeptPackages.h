#pragma once

#include <QCoreApplication>
#include <QString>

class DreamweaverInfo;
class ExtensionInfo;

// The package of each install, kept in the program's data folder under
// packages/<installation key>/, so that an extension can be installed again
// (reinstall) or into another Dreamweaver (copy) long after the file it was
// installed from is gone. Install records name their kept package relative
// to the data folder; records of earlier versions name none.
class KeptPackages
{
    Q_DECLARE_TR_FUNCTIONS(KeptPackages)

public:
    // A folder name for target: its name, made safe, and a hash of its
    // per-user folder, so that two installations never share one.
    static QString installationKey(const DreamweaverInfo& target);
    // Copies the package at path, which holds package's manifest, into the
    // data folder and names the copy in the install record of every locale
    // where the extension is stored. False, with why, when either failed.
    [[nodiscard]] static bool keep(
        const DreamweaverInfo& target, const QString& path, const ExtensionInfo& package, QString* error);
    // The kept package a record names (relative to the data folder), as an
    // absolute path; empty when it is not a regular file in the packages
    // folder (gone, a link, or a name leading elsewhere).
    static QString resolve(const QString& relative);
    // Deletes the kept package a record names.
    static void discard(const QString& relative);
    // Whether path lies in the packages folder: installing from there must
    // go through a copy, since a replace deletes the kept package it replaces.
    static bool isKept(const QString& path);
    // What a record names for the kept package of a stored manifest, or empty.
    static QString recordedPackage(const DreamweaverInfo& target, const QString& locale, const QString& recordPath);
};
