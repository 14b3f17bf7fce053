#include "BankView.h"

#include "BankCellDelegate.h"
#include "CurrentRowFrame.h"
#include "MenuKey.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace velcora {

namespace {

constexpr int NumberWidth = 32;
/// One notch of a common mouse wheel.
constexpr int WheelNotch = 120;
/// Rows the first visible row moves for each wheel step.
constexpr int WheelRows = 2;

} // namespace

TBankView::TBankView(QColor colour, int nameWidth, QWidget* parent)
    : QTableView(parent), FColour(colour), FNameWidth(nameWidth),
      FDelegate(new TBankCellDelegate(colour, this)) {
    QFont viewFont = QApplication::font();
    viewFont.setStyleHint(QFont::SansSerif);
    viewFont.setPointSize(8);
    viewFont.setBold(true);
    setFont(viewFont);

    setItemDelegate(FDelegate);
    // The marks of the slots are the bank's; Qt's selection would show a second, different one.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, colour);
    setPalette(pal);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(viewFont).height() + 5);

    QHeaderView* top = horizontalHeader();
    top->setMinimumSectionSize(16);
    top->setDefaultSectionSize(NumberWidth);
    top->setSectionsClickable(false);
    top->setHighlightSections(false);
    top->setStretchLastSection(true);
    top->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMinimumWidth(NumberWidth + 60);
}

QSize TBankView::sizeHint() const {
    const QSize base = QTableView::sizeHint();
    return {NumberWidth + FNameWidth + 2 * frameWidth() + verticalScrollBar()->sizeHint().width(),
            base.height()};
}

TBankView::~TBankView() = default;

int TBankView::SlotAt(const QPoint& pos) const {
    return rowAt(pos.y());
}

int TBankView::CurrentSlot() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : 0;
}

void TBankView::SetCurrentSlot(int slot) {
    if (model() == nullptr || slot < 0 || slot >= model()->rowCount()) {
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 1;
    const QModelIndex index = model()->index(slot, column);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

void TBankView::ShowSlot(int slot) {
    if (model() == nullptr || slot < 0 || slot >= model()->rowCount()) {
        return;
    }
    scrollTo(model()->index(slot, 1));
}

int TBankView::TopSlot() const {
    return std::max(0, rowAt(0));
}

void TBankView::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    emit slotPressed(button, event->modifiers(), SlotAt(event->position().toPoint()));
    // As a grid does, only the left button moves the current row and raises the click; the
    // right button's press is the program's whole answer (audition or the bank menu).
    if (button == Qt::LeftButton) {
        QTableView::mousePressEvent(event);
        emit pressClicked();
    }
    event->accept();
}

void TBankView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    emit slotDoubleClicked(CurrentSlot());
    event->accept();
}

void TBankView::keyPressEvent(QKeyEvent* event) {
    emit slotKeyPressed(event->key(), event->modifiers(), CurrentSlot());
    if (IsMenuKey(*event)) {
        emit menuKeyPressed(CurrentSlot());
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        QTableView::keyPressEvent(event);
        break;
    case Qt::Key_Home:
    case Qt::Key_End: {
        // A table's Home and End go to the first and last column; in a list of slots they
        // mean the first and the last slot.
        QKeyEvent rowwise(event->type(), event->key(), Qt::ControlModifier, event->text(),
                          event->isAutoRepeat(), static_cast<quint16>(event->count()));
        QTableView::keyPressEvent(&rowwise);
        break;
    }
    default:
        // Letters, Delete and the shortcuts are the program's; the view's own uses of them
        // (keyboard search, select all) would contradict it.
        event->accept();
        break;
    }
}

void TBankView::wheelEvent(QWheelEvent* event) {
    FWheelRest += event->angleDelta().y();
    while (FWheelRest >= WheelNotch) {
        FWheelRest -= WheelNotch;
        WheelStep(false);
    }
    while (FWheelRest <= -WheelNotch) {
        FWheelRest += WheelNotch;
        WheelStep(true);
    }
    event->accept();
}

void TBankView::WheelStep(bool down) {
    if (model() == nullptr || model()->rowCount() == 0) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    // Scrolled by rows, the bar's maximum is the top row that still shows the last row at
    // the bottom: the wheel never scrolls past the last row, nor above the first.
    // The current row stays where the person put it: Up and Down go on from there, not from
    // wherever the wheel would have dragged it out of sight.
    bar->setValue(std::clamp(bar->value() + (down ? WheelRows : -WheelRows), 0, bar->maximum()));
}

void TBankView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    UpdateCurrentRows(*this, current, previous);
}

// The frame of the current row is solid only while the view has the focus.
void TBankView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TBankView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

} // namespace velcora
