// A push button as the windows make them: its control name, and the name a screen reader says.
#pragma once

#include <QPushButton>
#include <QString>

// autoDefault: Return presses the button while it has the focus (off in windows whose Return means
// something else).
inline QPushButton* named_button(const QString& text, const QString& spoken, QWidget* parent,
                                 const char* name, bool auto_default) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(spoken);
    b->setAutoDefault(auto_default);
    return b;
}
