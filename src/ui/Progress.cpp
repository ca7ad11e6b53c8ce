#include "ui/Progress.h"

#include "ui/ProgressForm.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>

Progress::Progress(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<ProgressForm>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &Progress::reject);
}

Progress::~Progress() = default;

void Progress::reset()
{
    m_finished = false;
    setCancellable(false);
    setWindowTitle(QString());
    ui->headingLabel->clear();
    ui->statusLabel->setText(QString());
    ui->progressBar->setValue(0);
    QCoreApplication::processEvents();
}

void Progress::setTitle(QString title)
{
    setWindowTitle(title);
}

void Progress::setHeading(const QString& heading)
{
    ui->headingLabel->setText(heading);
}

void Progress::setStatus(QString text)
{
    ui->statusLabel->setText(text);
    QCoreApplication::processEvents();
}

void Progress::setMaximum(int maximum)
{
    ui->progressBar->setMaximum(maximum);
}

void Progress::setValue(int value)
{
    ui->progressBar->setValue(value);
    QCoreApplication::processEvents();
}

void Progress::setFinished()
{
    m_finished = true;
}

bool Progress::isFinished()
{
    return m_finished;
}

void Progress::setCancellable(bool cancellable)
{
    m_cancellable = cancellable;
    m_cancelled = false;
    ui->buttonBox->setEnabled(true);
    ui->buttonBox->setVisible(cancellable);
}

void Progress::reject()
{
    if (!m_cancellable || m_cancelled)
        return;
    m_cancelled = true;
    ui->buttonBox->setEnabled(false);
    ui->statusLabel->setText(tr("Cancelling..."));
}
