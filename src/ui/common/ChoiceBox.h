#pragma once

#include "state/Choices.h"

#include <QCheckBox>

namespace dustrel {

// A check box that shows one of the choices' three states. The greyed state only ever comes from the
// saved parameters: a click on a greyed box clears it, any other click toggles between ticked and clear.
class ChoiceBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit ChoiceBox(QWidget* parent = nullptr);

    CheckState choiceState() const;
    void setChoiceState(CheckState state);

    // Shows a choice's caption, tool tip, state, enabled and visible marks.
    void display(const CheckBox& box);

protected:
    void nextCheckState() override;
};

} // namespace dustrel
