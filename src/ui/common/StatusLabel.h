#pragma once

#include <QWidget>
#include <string>
#include <string_view>

namespace dustrel {

// The one text area of a status bar. A long path is shortened in its middle to fit instead of widening
// the window, and the text reaches the screen at most once a frame however often it is set, so a search
// that names every folder it enters spends its time searching rather than converting and painting.
class StatusLabel : public QWidget
{
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent = nullptr);

    // The text, as bytes read as UTF-8, to show from the next frame on.
    void setText(std::string_view bytes);
    // The latest text set, shown or not yet.
    const std::string& text() const { return m_text; }
    // Shows the latest text now.
    void flush();
    // What is on the screen.
    const QString& shownText() const { return m_shown; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    std::string m_text;
    QString m_shown;
    int m_timer = 0;
};

} // namespace dustrel
