#include "ui/common/ChoiceBox.h"

#include "ui/common/QtText.h"

namespace dustrel {

ChoiceBox::ChoiceBox(QWidget* parent) : QCheckBox(parent) {}

CheckState ChoiceBox::choiceState() const
{
    switch (checkState()) {
    case Qt::Checked:
        return CheckState::Ticked;
    case Qt::PartiallyChecked:
        return CheckState::Greyed;
    case Qt::Unchecked:
        break;
    }
    return CheckState::Clear;
}

void ChoiceBox::setChoiceState(CheckState state)
{
    switch (state) {
    case CheckState::Ticked:
        setCheckState(Qt::Checked);
        break;
    case CheckState::Greyed:
        setCheckState(Qt::PartiallyChecked);
        break;
    case CheckState::Clear:
        setCheckState(Qt::Unchecked);
        break;
    }
}

void ChoiceBox::display(const CheckBox& box)
{
    const QString caption = toQString(box.caption);
    if (text() != caption)
        setText(caption);
    setToolTip(toQString(box.toolTip));
    setChoiceState(box.state);
    setEnabled(box.enabled);
    setVisible(box.visible);
}

void ChoiceBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}

} // namespace dustrel
