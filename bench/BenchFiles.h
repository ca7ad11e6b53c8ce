#pragma once

// The files the installing benchmarks lay out: a Menus.xml shaped like
// Dreamweaver's, of any size, and a writer that gives up loudly, since a
// benchmark that silently timed a missing file would report nonsense.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdlib>

namespace BenchFiles {

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::abort();
    }
}

// Menus of twenty items, each menu under a comment, ids DWMenu_Extra0 on,
// until the text reaches size bytes.
inline QByteArray menusXml(qint64 size)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<menubar>\n"
                      "  <menubar name=\"Main Window\" id=\"DWMainWindow\">\n";
    for (int menu = 0; text.size() < size; ++menu) {
        const QByteArray id = "DWMenu_Extra" + QByteArray::number(menu);
        text += "    <!-- menu " + QByteArray::number(menu) + " -->\n    <menu name=\"Extra\" id=\"" + id + "\">\n";
        for (int item = 0; item < 20; ++item) {
            const QByteArray number = QByteArray::number(item);
            text += "      <menuitem name=\"Item " + number + "\" command=\"dw.run('" + number
                + "')\" enabled=\"dw.canRun()\" id=\"" + id + "_" + number + "\" />\n";
        }
        text += "    </menu>\n";
    }
    return text + "  </menubar>\n</menubar>\n";
}

} // namespace BenchFiles
