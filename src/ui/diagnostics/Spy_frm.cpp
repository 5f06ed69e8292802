#include "ui/diagnostics/Spy_frm.h"

#include "ui/common/ContextHelp.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/TwipsScale.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace dustrel {

namespace {

constexpr double kFontPoints = 9.75;

} // namespace

Spy_frm::Spy_frm(TraceLog& trace, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_trace(trace)
{
    setObjectName(QStringLiteral("Spy_frm"));
    setWindowTitle(QStringLiteral("Dustrel - Spy watcher"));
    setProperty(kHelpContextId, kDiagnosticsHelpTopic);

    m_text1 = new QPlainTextEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setProperty(kHelpContextId, kDiagnosticsHelpTopic);
    // The user may select and copy, not edit.
    m_text1->setReadOnly(true);
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Without scroll bars, long lines (paths, mostly) wrap at the window's edge, anywhere if need be,
    // rather than run out of sight.
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(kFontPoints);
    m_text1->setFont(font);
    m_text1->setPlainText(displayText(m_trace.text()));

    const TwipsScale scale = TwipsScale::forWidget(*this);
    resize(scale.px(kClientWidth), scale.px(kClientHeight));
    Form_Load();
    Form_Resize();

    m_trace.setListener(this);
}

Spy_frm::~Spy_frm()
{
    m_trace.setListener(nullptr);
}

void Spy_frm::Form_Load()
{
    setWindowIcon(Images::imageList1());
}

void Spy_frm::Form_Resize()
{
    // The client area, not the whole window: a text area hanging over the frame would hide its last
    // lines and the ends of long ones under the window's edge.
    m_text1->setGeometry(rect());
}

void Spy_frm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Spy_frm::traceAppended(std::string_view line)
{
    append(line);
    // At once: start-up runs without handling window events between its lines.
    m_text1->viewport()->repaint();
}

void Spy_frm::append(std::string_view text)
{
    // The newest line stays in sight as long as the user has not scrolled away from the end.
    QScrollBar* bar = m_text1->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(m_text1->document());
    end.movePosition(QTextCursor::End);
    end.insertText(displayText(text));
    if (following)
        bar->setValue(bar->maximum());
}

QString Spy_frm::displayText(std::string_view trace)
{
    QString text = toQString(trace);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace dustrel
