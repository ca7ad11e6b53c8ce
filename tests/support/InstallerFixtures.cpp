#include "InstallerFixtures.h"

#include "MxpWriter.h"
#include "ZxpWriter.h"

namespace InstallerFixtures {

QByteArray TestExtension::manifest() const
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<macromedia-extension id=\"" + id + "\" name=\""
        + name + "\" version=\"" + version + "\" type=\"Command\"" + (rootAttributes.isEmpty() ? "" : " ")
        + rootAttributes + ">\n  <author name=\"Velkor\" />\n  <files>\n";
    for (const PackagedFile& file : files) {
        if (file.destination != "-")
            text += "    <file source=\"" + file.source + "\" destination=\"" + file.destination + "\" "
                + file.attributes + (file.attributes.isEmpty() ? "" : " ") + "/>\n";
    }
    return text + "  </files>\n  <configuration-changes>\n" + configurationChanges + "  </configuration-changes>\n"
        + "</macromedia-extension>\n";
}

bool TestExtension::writePackage(const QString& path) const
{
    MxpWriter mxp;
    ZxpWriter zxp;
    for (const PackagedFile& file : QList<PackagedFile> { { manifestName, manifest(), {} } } + files) {
        if (!file.data.isNull()) {
            mxp.add(file.source, file.data);
            zxp.add(file.source, file.data);
        }
    }
    return writeFile(path, path.endsWith(".mxp", Qt::CaseInsensitive) ? mxp.package() : zxp.archive());
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

QByteArray menusXml()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<menubar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
           "  <menubar name=\"Main Window\" id=\"DWMainWindow\">\n    <menu name=\"_File\" id=\"DWMenu_File\">\n"
           "      <menuitem name=\"_New...\" key=\"Cmd+N\" command=\"dw.createDocument()\" id=\"DWMenu_File_New\" />\n"
           "    </menu>\n    <menu name=\"_Commands\" id=\"DWMenu_Commands\">\n"
           "      <menuitem name=\"_Sort Table...\" file=\"Commands/Sort Table.htm\" id=\"DWMenu_Commands_Sort\" />\n"
           "    </menu>\n  </menubar>\n</menubar>\n";
}

QByteArray insertbarXml()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<insertbar xmlns:MMString=\"http://www.macromedia.com/schemes/data/string/\">\n"
           "\t<category id=\"DW_Insertbar_Common\" MMString:name=\"insertbar/category/common\" folder=\"Common\">\n"
           "\t\t<button id=\"DW_Hyperlink\" image=\"Common/Hyperlink.png\" file=\"Common/Hyperlink.htm\" />\n"
           "\t</category>\n</insertbar>\n";
}

QByteArray inserted(const QByteArray& text, const QByteArray& anchor, const QByteArray& added)
{
    return QByteArray(text).insert(text.indexOf(anchor) + anchor.size(), added);
}

} // namespace InstallerFixtures
