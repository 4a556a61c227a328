// Accessibility events, sent through Qt and to a test's listener.
#include "Announce.h"

#include <QLabel>

namespace {

Accessible_event_listener& listener() {
    static Accessible_event_listener l;
    return l;
}

} // namespace

void send_accessible_event(QObject* object, QAccessible::Event type) {
    QAccessibleEvent event(object, type);
    QAccessible::updateAccessibility(&event);
    if (listener()) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
        listener()(object, type, a != nullptr ? a->text(QAccessible::Name) : QString());
    }
}

void announce(QLabel* label, const QString& text) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
    if (label->accessibleName() == text) return;
    label->setAccessibleName(text);
    send_accessible_event(label, QAccessible::NameChanged);
    if (!text.isEmpty()) send_accessible_event(label, QAccessible::Alert);
}

void set_accessible_event_listener(Accessible_event_listener l) {
    listener() = std::move(l);
}
