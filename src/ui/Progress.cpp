#include "ui/Progress.h"

#include "ui/ProgressForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

Progress::Progress(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<ProgressForm>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

Progress::~Progress() = default;

void Progress::reset()
{
    m_finished = false;
    setWindowTitle(QString());
    ui->statusLabel->setText(QString());
    ui->progressBar->setValue(0);
    QCoreApplication::processEvents();
}

void Progress::setTitle(QString title)
{
    setWindowTitle(title);
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
