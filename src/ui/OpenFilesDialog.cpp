#include "ui/OpenFilesDialog.h"

#include "discovery/ExtensionInfo.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

OpenFilesDialog::OpenFilesDialog(
    const QStringList& paths, const QStringList& installations, int current, QWidget* parent)
    : QDialog(parent)
    , m_installations(new QComboBox(this))
{
    setObjectName(QStringLiteral("openFilesDialog"));
    setWindowTitle(paths.size() == 1 ? tr("Install Extension") : tr("Install Extensions"));
    m_installations->setObjectName(QStringLiteral("installationChoice"));
    m_installations->addItems(installations);
    m_installations->setCurrentIndex(current);
    m_installations->setAccessibleName(tr("Dreamweaver installation to install into"));

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(this);
    heading->setObjectName(QStringLiteral("openFilesHeading"));
    // Names come from the packages: never rendered as markup.
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    if (paths.size() == 1) {
        heading->setText(tr("Install %1 into:").arg(describe(paths.first())));
        heading->setToolTip(QDir::toNativeSeparators(paths.first()));
    } else {
        heading->setText(tr("Install these %1 packages into:").arg(paths.size()));
        auto* list = new QListWidget(this);
        list->setObjectName(QStringLiteral("openFilesList"));
        for (const QString& path : paths) {
            auto* item = new QListWidgetItem(describe(path), list);
            item->setToolTip(QDir::toNativeSeparators(path));
        }
        list->setFocusPolicy(Qt::NoFocus);
        // As tall as its rows, up to ten; a longer list scrolls.
        list->setMaximumHeight(
            list->sizeHintForRow(0) * std::min(int(paths.size()), 10) + 2 * list->frameWidth() + 2);
        layout->addWidget(list);
    }
    heading->setBuddy(m_installations);
    layout->addWidget(m_installations);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* install = buttons->addButton(tr("&Install"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    install->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_installations->setFocus();
    // Wide enough for the title and a package's name on one line at most sizes.
    setMinimumWidth(fontMetrics().averageCharWidth() * 56);
}

int OpenFilesDialog::installation() const
{
    return m_installations->currentIndex();
}

QString OpenFilesDialog::describe(const QString& path)
{
    const ExtensionInfo package(path);
    if (package.name().isEmpty())
        return QFileInfo(path).fileName();
    QString text = package.version().isEmpty() ? package.name() : tr("%1 %2").arg(package.name(), package.version());
    if (!package.author().isEmpty())
        text = tr("%1 by %2").arg(text, package.author());
    return text;
}
