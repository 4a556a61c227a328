// Scrolled pages: the focused control is always brought into view, however it got the focus (Tab, a
// mnemonic, a click on a label, the program).
#include "Scroll_page.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>

Scroll_page::Scroll_page(QWidget* page, QWidget* parent) : QScrollArea(parent) {
    setObjectName("Scroll_" + page->objectName());
    setWidget(page);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QApplication::focusChanged, this, &Scroll_page::show_focused);
}

QSize Scroll_page::sizeHint() const {
    const int frame = 2 * frameWidth();
    QSize size = widget()->sizeHint() + QSize(frame, frame);
    // Room for a scroll bar, so that a page that just fits does not need one.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return size + QSize(bar, 0);
}

void Scroll_page::show_focused(QWidget*, QWidget* focus) {
    if (focus != nullptr && widget() != nullptr && widget()->isAncestorOf(focus)) ensureWidgetVisible(focus);
}
