#pragma once

#include <QWidget>
#include <string>
#include <string_view>

namespace dustrel {

// The one text area of a status bar. A long path is shortened in its middle to fit instead of widening
// the window, and the text reaches the screen at most once a frame however often it is set, so a search
// that names every folder it enters spends its time searching rather than converting and painting.
//
// The label can also follow a text its owner changes in place (the folder a walk is in): it then costs
// the owner nothing per change, and is read once a frame, on the window's thread, at the owner's pumps.
//
// A screen reader reads the shown text as the label's name and text, and hears of each change.
class StatusLabel : public QWidget
{
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent = nullptr);

    // The text, as bytes read as UTF-8, to show from the next frame on. Ends any following.
    void setText(std::string_view bytes);
    // Shows what `live` holds from the next frame on and reads it again every frame, until setText or
    // follow(nullptr), which keeps the text as it is at that moment. The owner keeps `live` alive
    // meanwhile. Following the text already followed costs nothing.
    void follow(const std::string* live);
    bool following() const { return m_live != nullptr; }
    // The latest text, shown or not yet: what the followed text holds now while following.
    std::string_view text() const { return m_live != nullptr ? std::string_view(*m_live) : m_text; }
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
    void scheduleFrame();
    // Tells a screen reader that the shown text changed from `before`.
    void announce(const QString& before);
    void stopFrames();

    std::string m_text;
    const std::string* m_live = nullptr;
    std::string m_shownBytes; // what m_shown was made from, to convert only when the text changed
    QString m_shown;
    int m_timer = 0;
};

} // namespace dustrel
