#include "ui/common/StatusLabel.h"

#include "ui/common/QtText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace dustrel {

namespace {

// One frame of the screen the label is on; 60 Hz when the screen does not say.
int frameMilliseconds(const QWidget& widget)
{
    const QScreen* screen = widget.screen();
    const double rate = screen != nullptr ? screen->refreshRate() : 0.0;
    return rate >= 10.0 ? std::max(1, static_cast<int>(std::lround(1000.0 / rate))) : 16;
}

// What a screen reader reads of the label: the text shown, whole however it is shortened on screen, as
// the label's name and as read-only text.
class StatusLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit StatusLabelAccessible(StatusLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    static QAccessibleInterface* create(const QString& className, QObject* object)
    {
        auto* label = qobject_cast<StatusLabel*>(object);
        return className == QLatin1String("dustrel::StatusLabel") && label != nullptr
                   ? new StatusLabelAccessible(label)
                   : nullptr;
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? shown() : QAccessibleWidget::text(kind);
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }

    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(shown().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    const QString& shown() const { return static_cast<const StatusLabel*>(widget())->shownText(); }
};

} // namespace

StatusLabel::StatusLabel(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    static const bool readable = (QAccessible::installFactory(&StatusLabelAccessible::create), true);
    (void)readable;
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
    const QString before = std::exchange(m_shown, toQString(latest));
    setToolTip(m_shown);
    update();
    announce(before);
}

void StatusLabel::announce(const QString& before)
{
    // Only while a screen reader listens: the events cost a search nothing otherwise.
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleTextUpdateEvent replaced(this, 0, before, m_shown);
    QAccessible::updateAccessibility(&replaced);
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
