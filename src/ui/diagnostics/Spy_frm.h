#pragma once

#include "base/TraceLog.h"

#include <QWidget>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace dustrel {

// The spy watcher: the start-up trace, line by line, in one read-only text area that fills the window.
// It exists, hidden, for the whole run so that the trace collects in it; debug mode shows it.
class Spy_frm : public QWidget, public TraceListener
{
    Q_OBJECT
public:
    static constexpr double kClientWidth = 6375;
    static constexpr double kClientHeight = 6600;

    // Shows the trace written so far and receives every later line.
    explicit Spy_frm(TraceLog& trace, QWidget* parent = nullptr);
    ~Spy_frm() override;

    void traceAppended(std::string_view line) override;

    void Form_Load();
    void Form_Resize();

    QPlainTextEdit* Text1() const { return m_text1; }

    // The trace's text as the text area shows it: each line end, CR LF or a lone CR or LF, becomes one
    // line break.
    static QString displayText(std::string_view trace);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void append(std::string_view text);

    TraceLog& m_trace;
    QPlainTextEdit* m_text1 = nullptr;
};

} // namespace dustrel
