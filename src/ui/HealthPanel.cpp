#include "ui/HealthPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
// A long list would push the buttons off a small screen; the table's tooltip and the report have it all.
constexpr int shownLines = 8;
} // namespace

HealthPanel::HealthPanel(QWidget* parent)
    : QWidget(parent)
    , m_text(new QLabel(this))
    , m_verify(new QPushButton(tr("Verif&y"), this))
    , m_repair(new QPushButton(tr("Rep&air..."), this))
{
    setObjectName(QStringLiteral("healthPanel"));
    m_text->setObjectName(QStringLiteral("healthText"));
    m_text->setTextFormat(Qt::PlainText); // names and paths come from packages
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_verify->setObjectName(QStringLiteral("verifyButton"));
    m_verify->setToolTip(tr("Check that the files and entries of every installed extension are in place"));
    m_repair->setObjectName(QStringLiteral("repairButton"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_verify, 0, Qt::AlignTop);
    layout->addWidget(m_repair, 0, Qt::AlignTop);
    connect(m_verify, &QPushButton::clicked, this, &HealthPanel::verifyClicked);
    connect(m_repair, &QPushButton::clicked, this, &HealthPanel::repairClicked);
    showExtension(QString(), false, {});
}

void HealthPanel::showExtension(const QString& name, bool checked, const QStringList& missing)
{
    QString text;
    if (!checked)
        text = tr("Verify checks that the files and menu entries of the installed extensions are still in place.");
    else if (missing.isEmpty())
        text = tr("%1 is whole: every file and entry it installed is in place.").arg(name);
    else {
        QStringList lines = missing.mid(0, shownLines);
        if (missing.size() > shownLines)
            lines << tr("and %1 more").arg(missing.size() - shownLines);
        text = tr("%1 is not whole. Missing:").arg(name) + QStringLiteral("\n\u2022 ")
            + lines.join(QStringLiteral("\n\u2022 "));
    }
    m_text->setText(text);
    m_repair->setVisible(checked && !missing.isEmpty());
    m_repair->setToolTip(tr("Remove %1, so that it can be installed again whole").arg(name));
}
