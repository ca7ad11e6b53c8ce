#include "cli/TerminalProgress.h"

namespace {

constexpr int barWidth = 24;
// Kept short of an 80-column terminal so that the line never wraps, which
// would defeat redrawing it with a carriage return.
constexpr int lineWidth = 79;

} // namespace

TerminalProgress::TerminalProgress(FILE* stream)
    : m_stream(stream)
{
}

TerminalProgress::~TerminalProgress()
{
    setFinished();
}

QString TerminalProgress::line(const QString& title, const QString& status, int value, int maximum)
{
    const int filled = maximum > 0 ? qBound(0, value, maximum) * barWidth / maximum : 0;
    QString text = QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char(' '))
        + QStringLiteral("] ");
    if (!title.isEmpty()) {
        text += title + QStringLiteral(": ");
    }
    text += status;
    if (text.size() > lineWidth) {
        text.truncate(lineWidth);
    }
    return text.leftJustified(lineWidth);
}

void TerminalProgress::draw()
{
    const QByteArray bytes = "\r" + line(m_title, m_status, m_value, m_maximum).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
    std::fflush(m_stream);
    m_drawn = true;
}

void TerminalProgress::reset()
{
    m_status.clear();
    m_maximum = 0;
    m_value = 0;
    m_finished = false;
}

void TerminalProgress::setTitle(QString title)
{
    m_title = title;
}

void TerminalProgress::setStatus(QString text)
{
    m_status = text;
    m_finished = false;
    draw();
}

void TerminalProgress::setMaximum(int maximum)
{
    m_maximum = maximum;
    m_value = 0;
    draw();
}

void TerminalProgress::setValue(int value)
{
    m_value = value;
    draw();
}

void TerminalProgress::setFinished()
{
    // The bar is wiped rather than left behind, so the report starts on a clean line.
    if (m_drawn) {
        const QByteArray blank = "\r" + QByteArray(lineWidth, ' ') + "\r";
        std::fwrite(blank.constData(), 1, size_t(blank.size()), m_stream);
        std::fflush(m_stream);
        m_drawn = false;
    }
    m_finished = true;
}
