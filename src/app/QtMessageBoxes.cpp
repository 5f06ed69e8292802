#include "app/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace dustrel {

namespace {

QMessageBox::Icon toQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// Message texts break lines with LF CR; Qt wants one LF per line break.
QString displayText(const std::string& text)
{
    QString out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    out.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return out;
}

} // namespace

MessageAnswer QtMessageBoxes::show(const Message& message)
{
    // A box asked for from inside a dialog (a pattern refused) stays above that dialog, not behind it.
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox box(toQt(message.icon), displayText(message.title), displayText(message.text),
                    QMessageBox::NoButton, modal != nullptr ? modal : m_parent);
    if (message.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(message.defaultAnswer == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

} // namespace dustrel
