#include "ui/ProgressForm.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

void ProgressForm::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("Progress"));
    // Not modal: the dialog keeps input from its window itself, and lets its
    // close request through.
    dialog->setWindowModality(Qt::NonModal);
    dialog->resize(408, 96);

    dialogLayout = new QVBoxLayout(dialog);
    dialogLayout->setObjectName(QStringLiteral("dialogLayout"));

    headingLabel = new QLabel(dialog);
    headingLabel->setObjectName(QStringLiteral("headingLabel"));
    headingLabel->setTextFormat(Qt::PlainText);
    headingLabel->setWordWrap(true);
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    dialogLayout->addWidget(headingLabel);

    statusLabel = new QLabel(dialog);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setTextFormat(Qt::PlainText);
    statusLabel->setWordWrap(true);
    dialogLayout->addWidget(statusLabel);

    progressBar = new QProgressBar(dialog);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setMinimumSize(QSize(390, 0));
    dialogLayout->addWidget(progressBar);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->hide();
    dialogLayout->addWidget(buttonBox);

    retranslateUi(dialog);
}

void ProgressForm::retranslateUi(QDialog*)
{
    statusLabel->setText(QCoreApplication::translate("Progress", "Filename"));
}
