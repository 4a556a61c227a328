// The choice list's accessible interface, installed once for every Choice_list.
#include "Choice_list.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace {

class Choice_list_accessible : public QAccessibleWidget {
  public:
    explicit Choice_list_accessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return list()->currentText();
        return QAccessibleWidget::text(t); // the name: accessibleName, else the buddy label's text
    }

    // The drop-down's item view, as Qt's own interface has it, so the items stay reachable.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == list()->view() ? 0 : -1;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = list()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

  private:
    QComboBox* list() const { return static_cast<QComboBox*>(object()); }
};

QAccessibleInterface* choice_list_factory(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("Choice_list") && object != nullptr && object->isWidgetType())
        return new Choice_list_accessible(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

Choice_list::Choice_list(QWidget* parent) : QComboBox(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(choice_list_factory);
        return true;
    }();
    (void)installed;
}
