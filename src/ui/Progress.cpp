#include "ui/Progress.h"

#include "ui/ProgressForm.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::Shortcut:
        return true;
    default:
        return false;
    }
}

} // namespace

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
    ui->progressBar->setRange(0, 100);
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
    fitContents();
}

void Progress::setStatus(QString text)
{
    // The heading already names the step ("Downloading Velkor Tools..."):
    // the status line says only what follows it.
    const QString step = windowTitle() + QLatin1Char(' ');
    if (!windowTitle().isEmpty() && text.startsWith(step))
        text = text.mid(step.size());
    if (ui->statusLabel->text() != text) {
        ui->statusLabel->setText(text);
        fitContents();
    }
    QCoreApplication::processEvents();
}

void Progress::setMaximum(int maximum)
{
    // A maximum of 0 makes the bar a busy indicator: how long is unknown.
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
    fitContents();
}

void Progress::reject()
{
    if (!m_cancellable || m_cancelled)
        return;
    m_cancelled = true;
    ui->buttonBox->setEnabled(false);
    ui->statusLabel->setText(tr("Cancelling..."));
}

void Progress::fitContents()
{
    QLayout* layout = this->layout();
    layout->activate();
    const int width = std::max(this->width(), layout->totalMinimumSize().width());
    const int height
        = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalSizeHint().height();
    setMinimumHeight(height);
    if (this->height() < height || this->width() < width)
        resize(width, std::max(this->height(), height));
}

bool Progress::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type()) || !parentWidget())
        return false;
    // The first widget at or above the receiver (a shortcut's receiver is
    // the action or shortcut object itself) says which window it is in.
    QObject* object = watched;
    while (object && !object->isWidgetType())
        object = object->parent();
    const auto* widget = static_cast<QWidget*>(object);
    // A menu's shortcuts belong to no window of their own, and none but
    // this dialog's may start another command meanwhile.
    if (event->type() == QEvent::Shortcut)
        return !widget || (widget != this && !isAncestorOf(widget));
    return widget && widget->window() == parentWidget()->window();
}

void Progress::showEvent(QShowEvent* event)
{
    QCoreApplication::instance()->installEventFilter(this);
    QDialog::showEvent(event);
}

void Progress::hideEvent(QHideEvent* event)
{
    QCoreApplication::instance()->removeEventFilter(this);
    QDialog::hideEvent(event);
}
