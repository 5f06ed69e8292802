#pragma once

#include "platform/MessageBoxes.h"

class QWidget;

namespace dustrel {

// Message boxes as Qt dialogs, modal to the given parent (or the application).
class QtMessageBoxes : public MessageBoxes
{
public:
    MessageAnswer show(const Message& message) override;
    void setParent(QWidget* parent) { m_parent = parent; }
    QWidget* parent() const { return m_parent; }

private:
    QWidget* m_parent = nullptr;
};

} // namespace dustrel
