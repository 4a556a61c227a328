// Telling a screen reader that something changed: the accessibility events of the windows, in one place
// so that tests can see them (Qt sends none while no assistive technology is listening).
#pragma once

#include <QAccessible>
#include <QString>
#include <functional>

class QLabel;

// Sends the event for the object; a listener set by a test hears it too, with the object's name then.
void send_accessible_event(QObject* object, QAccessible::Event type);

// A label's text that just appeared or changed (a hint, a figure): shown, made the label's accessible
// name and sent as NameChanged, and as an Alert when there is something to say. An empty text hides it.
void announce(QLabel* label, const QString& text);

using Accessible_event_listener = std::function<void(QObject*, QAccessible::Event, const QString& name)>;
void set_accessible_event_listener(Accessible_event_listener listener); // null: none
