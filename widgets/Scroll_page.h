// A page that scrolls when the window is smaller than the page, and asks for its whole size otherwise.
#pragma once

#include <QScrollArea>

class Scroll_page : public QScrollArea {
    Q_OBJECT
  public:
    // Takes the page; the scroll area is no focus stop of its own: Tab goes to the page's controls.
    explicit Scroll_page(QWidget* page, QWidget* parent = nullptr);
    ~Scroll_page() override;

    // The page's whole size (QScrollArea's own hint is capped at a few dozen lines), so that a window
    // opens as large as its pages where the screen allows it.
    QSize sizeHint() const override;

    // Scrolls the whole control into view where it fits (QScrollArea::ensureWidgetVisible shows only
    // an edit's text cursor, which may leave most of the edit outside).
    void bring_into_view(QWidget* control);

  protected:
    bool focusNextPrevChild(bool next) override;

  private:
    void show_focused(QWidget* old_focus, QWidget* focus);

    QMetaObject::Connection focus_changes_;
};
