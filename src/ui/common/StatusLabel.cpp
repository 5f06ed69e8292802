#include "ui/common/StatusLabel.h"

#include "ui/common/QtText.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>

namespace dustrel {

namespace {

// One frame of the screen the label is on; 60 Hz when the screen does not say.
int frameMilliseconds(const QWidget& widget)
{
    const QScreen* screen = widget.screen();
    const double rate = screen != nullptr ? screen->refreshRate() : 0.0;
    return rate >= 10.0 ? std::max(1, static_cast<int>(std::lround(1000.0 / rate))) : 16;
}

} // namespace

StatusLabel::StatusLabel(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusLabel::setText(std::string_view bytes)
{
    m_live = nullptr;
    m_text.assign(bytes);
    scheduleFrame();
}

void StatusLabel::follow(const std::string* live)
{
    // A walk hands the same text at every folder it enters: nothing to do then.
    if (live == m_live)
        return;
    if (live == nullptr)
        m_text = *m_live;
    m_live = live;
    scheduleFrame();
}

void StatusLabel::scheduleFrame()
{
    if (m_timer == 0)
        m_timer = startTimer(frameMilliseconds(*this), Qt::PreciseTimer);
}

void StatusLabel::stopFrames()
{
    if (m_timer != 0) {
        killTimer(m_timer);
        m_timer = 0;
    }
}

void StatusLabel::flush()
{
    // A followed text may change at any time, so its frames go on until the following ends.
    if (m_live == nullptr)
        stopFrames();
    const std::string_view latest = text();
    if (latest == m_shownBytes)
        return;
    m_shownBytes.assign(latest);
    m_shown = toQString(latest);
    setToolTip(m_shown);
    update();
}

QSize StatusLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.averageCharWidth() * 40, metrics.height() + 4);
}

QSize StatusLabel::minimumSizeHint() const
{
    return QSize(0, QFontMetrics(font()).height() + 4);
}

void StatusLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(4, 0, -4, 0);
    const QString text = fontMetrics().elidedText(m_shown, Qt::ElideMiddle, area.width());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), text,
                          QPalette::WindowText);
}

void StatusLabel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer)
        flush();
    else
        QWidget::timerEvent(event);
}

} // namespace dustrel
