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
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->resize(408, 96);

    verticalLayout = new QVBoxLayout(dialog);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    headingLabel = new QLabel(dialog);
    headingLabel->setObjectName(QStringLiteral("headingLabel"));
    headingLabel->setTextFormat(Qt::PlainText);
    headingLabel->setWordWrap(true);
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    verticalLayout->addWidget(headingLabel);

    statusLabel = new QLabel(dialog);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setTextFormat(Qt::PlainText);
    verticalLayout->addWidget(statusLabel);

    progressBar = new QProgressBar(dialog);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setMinimumSize(QSize(390, 0));
    verticalLayout->addWidget(progressBar);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->hide();
    verticalLayout->addWidget(buttonBox);

    retranslateUi(dialog);
}

void ProgressForm::retranslateUi(QDialog*)
{
    statusLabel->setText(QCoreApplication::translate("Progress", "Filename"));
}
