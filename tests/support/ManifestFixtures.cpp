#include "ManifestFixtures.h"

#include "DiscoveryFixtures.h"

namespace ManifestFixtures {

QByteArray tableSorter()
{
    return manifest(QStringLiteral("com.velkor.tablesorter"), QStringLiteral("Table Sorter &amp; Filter"),
        QStringLiteral("2.1.0"), QStringLiteral("Velkor"));
}

QByteArray manifest(const QString& id, const QString& name, const QString& version, const QString& author)
{
    QByteArray text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- Packaged with the extension builder -->
<macromedia-extension
    id="@ID@"
    name="@NAME@"
    version="@VERSION@"
    type="Command"
    requires-restart="true">

  <!-- List the required/compatible products -->
  <products>
    <product name="Dreamweaver", version="8", primary="true" />
    <product name="Dreamweaver" version="12" maxversion="21" primary="false" />
  </products>

  <author name="@AUTHOR@" />

  <description>
  <![CDATA[
  Sorts and filters the rows of a table & keeps the page valid.
  ]]>
  </description>

  <ui-access>
  <![CDATA[Choose Commands > Sort Table.]]>
  </ui-access>

  <license-agreement>
  <![CDATA[Use it as you like. <b>No warranty.</b>]]>
  </license-agreement>

  <files>
    <file source="TableSorter.htm" destination="$dreamweaver/Configuration/Commands" />
    <file source="scripts/TableSorter.js" destination="$dreamweaver/Configuration/Commands" platform="win" />
    <file source="TableSorter.dylib" destination="$dreamweaver/Configuration/Commands" platform="mac" />
    <file name="icons/Sort.png" destination="$Dreamweaver/Configuration/Shared/Velkor/Icons" />
    <FILE SOURCE="Readme.txt" DESTINATION="$dreamweaver/configuration/Shared/Velkor" PLATFORM="Win" />
  </files>

  <configuration-changes>
    <menu-insert appendTo="DWMenu_Commands">
      <!-- the sorter -->
      <menuitem name="Sort Table &amp; Filter..." file="Commands/TableSorter.htm" id="Velkor_TableSorter" />
      <menuitem name="Filter Table" file="Commands/TableFilter.htm" id="Velkor_TableFilter" />
    </menu-insert>
    <insertbar-insert>
      <category id="DW_Insertbar_Common" folder="Velkor">
        <button id="Velkor_Sort" image="Shared/Velkor/Icons/Sort.png" name="Sort Table" file="Objects/Sort.htm" />
        <button id="Velkor_Filter" image="Shared/Velkor/Icons/Filter.png" name="Filter Table" file="Objects/Filter.htm" />
      </category>
      <category id="DW_Insertbar_Tables">
        <button id="Velkor_TableTools" name="Table Tools" file="Objects/Tools.htm"></button>
      </category>
    </insertbar-insert>
  </configuration-changes>
</macromedia-extension>
)";
    text.replace("@ID@", id.toUtf8());
    text.replace("@NAME@", name.toUtf8());
    text.replace("@VERSION@", version.toUtf8());
    text.replace("@AUTHOR@", author.toUtf8());
    return text;
}

bool store(const QString& folder, const QString& fileName, const QString& id, const QString& name,
    const QString& author)
{
    return DiscoveryFixtures::writeFile(
        folder + QLatin1Char('/') + fileName, manifest(id, name, QStringLiteral("1.0"), author));
}

} // namespace ManifestFixtures
