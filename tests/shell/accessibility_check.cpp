// The accessibility check: names through Qt's accessibility interfaces, reachability by Tab key presses.
#include "accessibility_check.h"

#include <QAccessible>
#include <QComboBox>
#include <QHash>
#include <QSet>
#include <QTest>
#include <QWidget>

namespace {

QString who(const QWidget* w) {
    if (!w->objectName().isEmpty()) return w->objectName();
    const QWidget* parent = w->parentWidget();
    while (parent != nullptr && parent->objectName().isEmpty())
        parent = parent->parentWidget();
    return QString(w->metaObject()->className()) + " in " + (parent != nullptr ? parent->objectName() : "?");
}

} // namespace

QList<QWidget*> focus_stops(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* w = window->nextInFocusChain(); w != window && w != nullptr; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->focusProxy() == nullptr &&
            w->window() == window && w->isVisibleTo(window))
            controls << w;
    return controls;
}

namespace {

// Enables what the display conditions disabled, for as long as Tab walks.
class Enabled_while_walking {
  public:
    explicit Enabled_while_walking(const QList<QWidget*>& controls) {
        for (QWidget* w : controls)
            if (w->testAttribute(Qt::WA_ForceDisabled)) {
                w->setEnabled(true);
                disabled_ << w;
            }
    }
    ~Enabled_while_walking() {
        for (QWidget* w : disabled_)
            w->setEnabled(false);
    }
    Enabled_while_walking(const Enabled_while_walking&) = delete;
    Enabled_while_walking& operator=(const Enabled_while_walking&) = delete;

  private:
    QList<QWidget*> disabled_;
};

void check_names(const QList<QWidget*>& controls, QStringList& problems) {
    QHash<QString, QWidget*> named;
    for (QWidget* w : controls) {
        const QString name = spoken_name(w);
        if (name.isEmpty()) {
            problems << who(w) + " has no accessible name";
            continue;
        }
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            if (list->findText(name, Qt::MatchFixedString) >= 0)
                problems << who(w) + " is announced by its item \"" + name + "\", not by what it is";
            else if (list->accessibleName().isEmpty())
                problems << who(w) + " has no accessible name of its own";
        }
        if (QWidget* first = named.value(name)) {
            problems << who(first) + " and " + who(w) + " have the same name \"" + name + "\"";
            continue;
        }
        named.insert(name, w);
    }
}

void check_tab(QWidget* window, const QList<QWidget*>& controls, QStringList& problems) {
    if (controls.isEmpty()) return;
    const Enabled_while_walking enabled(controls);
    QSet<QWidget*> reached;
    QWidget* const first = controls.first();
    first->setFocus(Qt::TabFocusReason);
    QWidget* at = window->focusWidget();
    if (at != first) {
        problems << who(first) + " does not take the focus";
        return;
    }
    reached.insert(first);
    for (int step = 0; step <= controls.size(); ++step) {
        QTest::keyClick(at, Qt::Key_Tab);
        QWidget* next = window->focusWidget();
        if (next == at && controls.size() > 1) { // a lone control may keep the focus
            problems << "Tab does not leave " + who(at);
            break;
        }
        if (next == nullptr || next == first) break;
        reached.insert(next);
        at = next;
    }
    for (QWidget* w : controls)
        if (!reached.contains(w)) problems << "Tab never reaches " + who(w);
}

} // namespace

QString spoken_name(QWidget* control) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    return a != nullptr ? a->text(QAccessible::Name).trimmed() : QString();
}

QStringList accessibility_problems(QWidget* window) {
    QStringList problems;
    const QList<QWidget*> controls = focus_stops(window);
    check_names(controls, problems);
    check_tab(window, controls, problems);
    return problems;
}
