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
    focus_changes_ = connect(qApp, &QApplication::focusChanged, this, &Scroll_page::show_focused);
}

// Before the page's controls go: the focus they lose on the way must not reach a scroll area that is
// already half destroyed.
Scroll_page::~Scroll_page() {
    disconnect(focus_changes_);
}

QSize Scroll_page::sizeHint() const {
    const int frame = 2 * frameWidth();
    QSize size = widget()->sizeHint() + QSize(frame, frame);
    // Room for a scroll bar, so that a page that just fits does not need one.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return size + QSize(bar, 0);
}

void Scroll_page::bring_into_view(QWidget* control) {
    if (widget() == nullptr || !widget()->isAncestorOf(control)) return;
    const QRect r(control->mapTo(widget(), QPoint(0, 0)), control->size());
    const int margin = 8;
    ensureVisible(r.center().x(), r.center().y(), qMin(r.width() / 2 + margin, viewport()->width() / 2),
                  qMin(r.height() / 2 + margin, viewport()->height() / 2));
    // Wider or taller than the view: its left or top edge first, where its text begins.
    if (r.width() + 2 * margin > viewport()->width()) horizontalScrollBar()->setValue(r.left() - margin);
    if (r.height() + 2 * margin > viewport()->height()) verticalScrollBar()->setValue(r.top() - margin);
}

bool Scroll_page::focusNextPrevChild(bool next) {
    if (!QScrollArea::focusNextPrevChild(next)) return false;
    if (QWidget* focus = focusWidget()) bring_into_view(focus);
    return true;
}

void Scroll_page::show_focused(QWidget*, QWidget* focus) {
    if (focus != nullptr) bring_into_view(focus);
}
