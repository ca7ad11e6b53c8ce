#include "InstallerFixtures.h"
#include "ScratchFiles.h"

#include "MxpWriter.h"
#include "ZxpWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace InstallerFixtures {

QByteArray TestExtension::manifest() const
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<macromedia-extension id=\"" + id + "\" name=\""
        + name + "\" version=\"" + version + "\" type=\"Command\">\n  <author name=\"Velkor\" />\n  <files>\n";
    for (const PackagedFile& file : files) {
        text += "    <file source=\"" + file.source + "\" destination=\"" + file.destination + "\" />\n";
    }
    text += "  </files>\n  <configuration-changes>\n" + configurationChanges + "  </configuration-changes>\n"
        + "</macromedia-extension>\n";
    return text;
}

bool TestExtension::writePackage(const QString& path) const
{
    const auto fill = [this](auto& writer) {
        writer.add(manifestName, manifest());
        for (const PackagedFile& file : files) {
            if (!file.data.isNull()) {
                writer.add(file.source, file.data);
            }
        }
    };
    if (path.endsWith(QLatin1String(".mxp"), Qt::CaseInsensitive)) {
        MxpWriter writer;
        fill(writer);
        return ScratchFiles::writeFile(path, writer.package());
    }
    ZxpWriter writer;
    fill(writer);
    return ScratchFiles::writeFile(path, writer.archive());
}

TestExtension toolsExtension()
{
    const QByteArray commands = "$dreamweaver/Configuration/Commands/Velkor";
    return { "com.velkor.tools", "Velkor Tools",
        { { "Commands/Velkor Tool.htm", "<html><body>tool</body></html>\n", commands },
            { "Commands/tool.js", "function runTool() { return 1; }\n", commands },
            { "Objects/tool.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                "$dreamweaver/Configuration/Objects/Velkor/Images" } },
        "    <menu-insert appendTo=\"DWMenu_Commands\">\n      <menuitem name=\"Velkor _Tool\""
        " file=\"Commands/Velkor/Velkor Tool.htm\" id=\"Velkor_Tool\" />\n    </menu-insert>\n"
        "    <insertbar-insert>\n      <category id=\"Velkor_Category\" folder=\"Velkor\">\n"
        "        <button id=\"Velkor_Button\" image=\"Objects/Velkor/Images/tool.png\""
        " file=\"Commands/Velkor/Velkor Tool.htm\" />\n      </category>\n    </insertbar-insert>\n",
        "Velkor Tools.mxi" };
}

TestExtension largeExtension(int fileCount, int menuEntries, int buttons)
{
    TestExtension extension { "com.velkor.large", "Velkor Large", {}, {}, "Velkor Large.mxi" };
    quint32 seed = 2654435761u;
    for (int i = 0; i < fileCount; ++i) {
        // Poorly compressible content, so that writing takes measurable time.
        QByteArray data(16 * 1024, Qt::Uninitialized);
        for (char& byte : data) {
            seed = seed * 1664525u + 1013904223u;
            byte = char(seed >> 24);
        }
        extension.files.append({ "files/file" + QByteArray::number(i) + ".js", data,
            "$dreamweaver/Configuration/Commands/Velkor Large/Part" + QByteArray::number(i % 4) });
    }
    for (int i = 0; i < menuEntries; ++i) {
        extension.configurationChanges
            += "    <menu-insert appendTo=\"DWMenu_Commands\">\n      <menuitem name=\"Large " + QByteArray::number(i)
            + "\" id=\"Velkor_Large_" + QByteArray::number(i) + "\" />\n    </menu-insert>\n";
    }
    extension.configurationChanges
        += "    <insertbar-insert>\n      <category id=\"Velkor_Large_Category\" folder=\"L\">\n";
    for (int i = 0; i < buttons; ++i) {
        extension.configurationChanges
            += "        <button id=\"Velkor_Large_Button_" + QByteArray::number(i) + "\" image=\"b.png\" />\n";
    }
    extension.configurationChanges += "      </category>\n    </insertbar-insert>\n";
    return extension;
}

QByteArray menusXml()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<menubar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
           "  <menubar name=\"Main Window\" id=\"DWMainWindow\">\n"
           "    <menu name=\"_File\" id=\"DWMenu_File\">\n"
           "      <menuitem name=\"_New...\" key=\"Cmd+N\" command=\"dw.createDocument()\" id=\"DWMenu_File_New\" />\n"
           "    </menu>\n"
           "    <menu name=\"_Commands\" id=\"DWMenu_Commands\">\n"
           "      <menuitem name=\"_Sort Table...\" file=\"Commands/Sort Table.htm\" id=\"DWMenu_Commands_Sort\" />\n"
           "    </menu>\n"
           "  </menubar>\n"
           "</menubar>\n";
}

QByteArray insertbarXml()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<insertbar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
           "\t<category id=\"DW_Insertbar_Common\" MMString:name=\"insertbar/category/common\" folder=\"Common\">\n"
           "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" file=\"Common/Hyperlink.htm\" />\n"
           "\t</category>\n"
           "</insertbar>\n";
}

QByteArray largeMenusXml(int size)
{
    QByteArray menus;
    for (int menu = 0; menusXml().size() + menus.size() < size; ++menu) {
        const QByteArray id = "DWMenu_Extra" + QByteArray::number(menu);
        menus += "    <menu name=\"Extra\" id=\"" + id + "\">\n";
        for (int item = 0; item < 20; ++item) {
            menus += "      <menuitem name=\"Item\" command=\"dw.run()\" enabled=\"dw.canRun()\" id=\"" + id + "_"
                + QByteArray::number(item) + "\" />\n";
        }
        menus += "    </menu>\n";
    }
    return menusXml().insert(menusXml().indexOf("  </menubar>\n</menubar>"), menus);
}

} // namespace InstallerFixtures
