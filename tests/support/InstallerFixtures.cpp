#include "InstallerFixtures.h"

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
    if (path.endsWith(QLatin1String(".mxp"), Qt::CaseInsensitive)) {
        MxpWriter writer;
        writer.add(manifestName, manifest());
        for (const PackagedFile& file : files) {
            if (!file.data.isNull()) {
                writer.add(file.source, file.data);
            }
        }
        return writeFile(path, writer.package());
    }
    ZxpWriter writer;
    writer.add(manifestName, manifest());
    for (const PackagedFile& file : files) {
        if (!file.data.isNull()) {
            writer.add(file.source, file.data);
        }
    }
    return writeFile(path, writer.archive());
}

TestExtension toolsExtension()
{
    TestExtension extension;
    extension.id = "com.velkor.tools";
    extension.name = "Velkor Tools";
    extension.manifestName = "Velkor Tools.mxi";
    extension.files = {
        { "Commands/Velkor Tool.htm", "<html><body>tool</body></html>\n",
            "$dreamweaver/Configuration/Commands/Velkor" },
        { "Commands/tool.js", "function runTool() { return 1; }\n", "$dreamweaver/Configuration/Commands/Velkor" },
        { "Objects/tool.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
            "$dreamweaver/Configuration/Objects/Velkor/Images" },
    };
    extension.configurationChanges = "    <menu-insert appendTo=\"DWMenu_Commands\">\n"
                                     "      <menuitem name=\"Velkor _Tool\" file=\"Commands/Velkor/Velkor Tool.htm\""
                                     " id=\"Velkor_Tool\" />\n"
                                     "    </menu-insert>\n"
                                     "    <insertbar-insert>\n"
                                     "      <category id=\"Velkor_Category\" folder=\"Velkor\">\n"
                                     "        <button id=\"Velkor_Button\" image=\"Objects/Velkor/Images/tool.png\""
                                     " file=\"Commands/Velkor/Velkor Tool.htm\" />\n"
                                     "      </category>\n"
                                     "    </insertbar-insert>\n";
    return extension;
}

TestExtension largeExtension(int fileCount, int menuEntries, int buttons)
{
    TestExtension extension;
    extension.id = "com.velkor.large";
    extension.name = "Velkor Large";
    extension.manifestName = "Velkor Large.mxi";
    for (int i = 0; i < fileCount; ++i) {
        const QByteArray number = QByteArray::number(i);
        // Varied, poorly compressible content so that writing takes measurable time.
        QByteArray data;
        quint32 seed = 2654435761u * (i + 1);
        for (int j = 0; j < 16 * 1024; ++j) {
            seed = seed * 1664525u + 1013904223u;
            data.append(char(seed >> 24));
        }
        extension.files.append({ "files/file" + number + ".js", data,
            "$dreamweaver/Configuration/Commands/Velkor Large/Part" + QByteArray::number(i % 4) });
    }
    QByteArray changes;
    for (int i = 0; i < menuEntries; ++i) {
        const QByteArray number = QByteArray::number(i);
        changes += "    <menu-insert appendTo=\"DWMenu_Commands\">\n      <menuitem name=\"Large " + number
            + "\" id=\"Velkor_Large_" + number + "\" />\n    </menu-insert>\n";
    }
    changes += "    <insertbar-insert>\n      <category id=\"Velkor_Large_Category\" folder=\"Large\">\n";
    for (int i = 0; i < buttons; ++i) {
        changes += "        <button id=\"Velkor_Large_Button_" + QByteArray::number(i) + "\" image=\"b.png\" />\n";
    }
    changes += "      </category>\n    </insertbar-insert>\n";
    extension.configurationChanges = changes;
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
    QByteArray text = menusXml();
    QByteArray menus;
    for (int menu = 0; text.size() + menus.size() < size; ++menu) {
        const QByteArray id = "DWMenu_Extra" + QByteArray::number(menu);
        menus += "    <menu name=\"Extra " + QByteArray::number(menu) + "\" id=\"" + id + "\">\n";
        for (int item = 0; item < 20; ++item) {
            const QByteArray number = QByteArray::number(item);
            menus += "      <menuitem name=\"Item " + number + "\" command=\"dw.run('" + number
                + "')\" enabled=\"dw.canRun()\" id=\"" + id + "_" + number + "\" />\n";
        }
        menus += "    </menu>\n";
    }
    text.insert(text.indexOf("  </menubar>\n</menubar>"), menus);
    return text;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList entriesBelow(const QString& folder)
{
    QStringList entries;
    const QDir root(folder);
    QDirIterator it(
        folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString relative = root.relativeFilePath(it.filePath());
        entries << (it.fileInfo().isDir() ? relative + QLatin1Char('/') : relative);
    }
    entries.sort();
    return entries;
}

} // namespace InstallerFixtures
