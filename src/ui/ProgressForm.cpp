#include "ui/ProgressForm.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

void ProgressForm::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("Progress"));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->resize(408, 64);

    verticalLayout = new QVBoxLayout(dialog);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    statusLabel = new QLabel(dialog);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
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
