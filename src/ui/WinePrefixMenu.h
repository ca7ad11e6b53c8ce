#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMainWindow;

// The window's Wine menu, for Dreamweaver running under Wine: picks the
// prefix whose installations the window manages, and shows the one in use
// in the window title.
class WinePrefixMenu : public QObject
{
    Q_OBJECT

public:
    explicit WinePrefixMenu(QMainWindow* window);

    // Manages the prefix at folder (empty: the environment's folders), or
    // says in a warning why it cannot.
    void choosePrefix(const QString& folder);

private:
    void showPrefix();

    QMainWindow* m_window;
    QString m_title;
    // Checked as the current choice is: a prefix, or none.
    QAction* m_prefixAction = nullptr;
    QAction* m_noPrefixAction = nullptr;
};
