#pragma once

#include <QMetaType>
#include <QString>

// One entry of the Store catalogue.
struct CatalogueEntry
{
    QString id;
    QString name;
    QString version;
    QString zxp; // the package's file name below the downloads address
};

Q_DECLARE_METATYPE(CatalogueEntry)
