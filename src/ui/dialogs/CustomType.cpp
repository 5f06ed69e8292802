#include "ui/dialogs/CustomType.h"

#include "base/Text.h"
#include "scan/PatternMatcher.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/TwipsScale.h"
#include "ui/dialogs/DialogLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace dustrel {

using namespace DialogLayout;

CustomType::CustomType(const ProgramState& state, MessageBoxes& messageBoxes, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(state), m_messageBoxes(messageBoxes)
{
    setObjectName(QStringLiteral("CustomType"));
    setWindowTitle(QStringLiteral("Add a custom type of files"));
    setModal(true);

    m_label1 = new QLabel(QStringLiteral("Type your custom type of files (Ex : '*.JNK') :"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setWordWrap(true);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_label1->setBuddy(m_text1);
    m_text1->setAccessibleName(m_label1->text());
    m_command1 = new QPushButton(QStringLiteral("&OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    m_command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));

    setProperty(kHelpContextId, kCustomTypeHelpTopic);
    for (QWidget* element : {static_cast<QWidget*>(m_text1), static_cast<QWidget*>(m_command1),
                             static_cast<QWidget*>(m_command2)})
        element->setProperty(kHelpContextId, kCustomTypeHelpTopic);
    setTabOrder(m_text1, m_command1);
    setTabOrder(m_command1, m_command2);

    connect(m_command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(m_command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    layOut();
    Form_Load();
}

void CustomType::layOut()
{
    const TwipsScale scale = TwipsScale::forWidget(*this);
    setFixedSize(scale.px(kWidth), scale.px(kCustomTypeHeight));
    // The label's text is wider than its designed line in most fonts: it wraps into the free space above
    // the text box instead of being cut.
    QRect label = scale.rect(kCustomTypeLabel1);
    const int room = scale.px(kCustomTypeText1.top) - label.top() - 2;
    label.setHeight(
        std::clamp(m_label1->heightForWidth(label.width()), label.height(), std::max(label.height(), room)));
    m_label1->setGeometry(label);
    // A text box as low as designed would clip the text of larger fonts; it grows downwards into the
    // free space above the buttons.
    QRect text = scale.rect(kCustomTypeText1);
    text.setHeight(std::max(text.height(), m_text1->sizeHint().height()));
    m_text1->setGeometry(text);
    m_command1->setGeometry(scale.rect(kCustomTypeCommand1));
    m_command2->setGeometry(scale.rect(kCustomTypeCommand2));
}

void CustomType::Form_Load()
{
    m_text1->clear();
    setWindowIcon(Images::imageList1());
    m_text1->setFocus();
}

void CustomType::Command1_Click()
{
    const QString typed = m_text1->text();
    if (typed.isEmpty())
        return;
    // Only ASCII letters: the matching folds nothing else, so an upper-cased accented letter would no
    // longer match the file names it was typed for.
    std::string pattern = toUpperAscii(toBytes(typed));
    if (PatternMatcher(pattern).matchesAll()) {
        // Saved, it would have every automatic run delete every file the user may delete.
        m_messageBoxes.show(programMessage(
            "Every file name matches '" + pattern + "'." + m_state.NEWLINE +
                "A search with it would list every file of the chosen drives, and a deletion would remove "
                "them all." +
                m_state.NEWLINE + "Type a pattern that names only rubbish, such as '*.JNK'.",
            MessageIcon::Exclamation));
        return;
    }
    m_pattern = std::move(pattern);
    accept();
}

void CustomType::Command2_Click()
{
    reject();
}

} // namespace dustrel
