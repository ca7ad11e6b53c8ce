#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QMainWindow;
class QSplitter;
class QTabWidget;
class QTableView;

// What the window remembers from one start to the next: its size and place,
// the split between the tables and the details, the tab, each table's sort
// order, the installation chosen and the folder packages were last chosen
// from.
class WindowMemory : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QMainWindow* window;
        QSplitter* splitter;
        QTabWidget* tabs;
        QTableView* installed;
        QTableView* store;
        QComboBox* installations;
    };

    explicit WindowMemory(const Widgets& widgets);

    // Puts back all but the installation, which is listed later.
    void restore();
    // Chooses the installation chosen last time when the selector lists it; false when it does not.
    bool restoreInstallation();
    void save();

    QString lastFolder() const;
    void setLastFolder(const QString& folder);

private:
    Widgets m_widgets;
};
