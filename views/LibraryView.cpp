#include "LibraryView.h"

#include "CurrentRowFrame.h"
#include "LibraryCellDelegate.h"
#include "LibraryWheel.h"
#include "MenuKey.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>

namespace velcora {

namespace {

constexpr std::array<int, 5> ColumnWidths{25, 95, 119, 135, 156};
/// One notch of a common mouse wheel.
constexpr int WheelNotch = 120;
/// Room a title needs beside its text in the title row.
constexpr int TitleMargin = 10;

/// The local files and folders a drag carries; none for anything else.
QStringList LocalPaths(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

} // namespace

TLibraryView::TLibraryView(QWidget* parent)
    : QTableView(parent), FDelegate(new TLibraryCellDelegate(this)) {
    QFont gridFont = QApplication::font();
    gridFont.setFamily(QStringLiteral("Sans Serif"));
    gridFont.setStyleHint(QFont::SansSerif);
    gridFont.setPointSize(8);
    setFont(gridFont);
    setToolTip(QStringLiteral("Left Click to select : Right to edit selected"));

    setItemDelegate(FDelegate);
    // The marks are the library's; Qt's selection would show a second, different one.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, TLibraryCellDelegate::CellColour);
    setPalette(pal);

    // Fixed row heights let the view place 20000 rows without asking any of them.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(RowHeight);

    QHeaderView* titles = horizontalHeader();
    titles->setFont(gridFont);
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setMinimumSectionSize(16);
    titles->setFixedHeight(RowHeight + 1);
    titles->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: #FFFF00; color: black; padding-left: 2px;"
        " border: none; border-right: 1px solid #A0A0A0; border-bottom: 1px solid #A0A0A0; }"));
    // The title row is a row of the grid: its presses are reported with the cells'.
    titles->viewport()->installEventFilter(this);
}

TLibraryView::~TLibraryView() = default;

void TLibraryView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    // "Type" would be cut at the designed 25 pixels: its column takes what its title needs.
    const int typeWidth = std::max(
        ColumnWidths[0],
        horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("Type")) + TitleMargin);
    setColumnWidth(0, typeWidth);
    for (size_t c = 1; c < ColumnWidths.size(); ++c) {
        setColumnWidth(static_cast<int>(c), ColumnWidths[c]);
    }
}

int TLibraryView::RowAt(const QPoint& pos) const {
    const int modelRow = rowAt(pos.y());
    return modelRow < 0 ? -1 : modelRow + 1;
}

int TLibraryView::CurrentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void TLibraryView::SetCurrentRow(int row) {
    if (model() == nullptr || row < 1 || row > model()->rowCount()) {
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    selectionModel()->setCurrentIndex(model()->index(row - 1, column),
                                      QItemSelectionModel::NoUpdate);
}

int TLibraryView::TopRow() const {
    return verticalScrollBar()->value() + 1;
}

void TLibraryView::SetTopRow(int row) {
    // Scrolled by rows, the bar counts the patch rows above the first visible one.
    verticalScrollBar()->setValue(std::clamp(row - 1, 0, verticalScrollBar()->maximum()));
}

int TLibraryView::VisibleRows() const {
    return std::max(1, viewport()->height() / RowHeight);
}

int TLibraryView::GridRowCount() const {
    return model() == nullptr ? 1 : model()->rowCount() + 1;
}

QRect TLibraryView::CellRect(int column, int row) const {
    if (model() == nullptr || row < 1 || row > model()->rowCount()) {
        return {};
    }
    return visualRect(model()->index(row - 1, column));
}

void TLibraryView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = RowAt(pos);
    const Qt::MouseButton button = event->button();
    emit cellPressed(button, event->modifiers(), row < 0 ? -1 : columnAt(pos.x()), row);
    // As a grid does, only the left button moves the current row and raises the click; the
    // right button's press is the program's whole answer (audition or the library menu).
    if (button == Qt::LeftButton) {
        QTableView::mousePressEvent(event);
        emit pressClicked();
    }
    event->accept();
}

void TLibraryView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    emit rowDoubleClicked(CurrentRow());
    event->accept();
}

void TLibraryView::keyPressEvent(QKeyEvent* event) {
    emit rowKeyPressed(event->key(), event->modifiers(), CurrentRow());
    if (IsMenuKey(*event)) {
        emit menuKeyPressed(currentIndex().isValid() ? currentIndex().column() : 1, CurrentRow());
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        QTableView::keyPressEvent(event);
        break;
    default:
        // Letters, Delete and the shortcuts are the program's; the view's own uses of them
        // (keyboard search, select all) would contradict it.
        event->accept();
        break;
    }
}

void TLibraryView::wheelEvent(QWheelEvent* event) {
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    FWheelRest += event->angleDelta().y();
    while (FWheelRest >= WheelNotch) {
        FWheelRest -= WheelNotch;
        WheelStep(false, ctrl);
    }
    while (FWheelRest <= -WheelNotch) {
        FWheelRest += WheelNotch;
        WheelStep(true, ctrl);
    }
    event->accept();
}

void TLibraryView::WheelStep(bool down, bool ctrl) {
    const TGridScroll to =
        LibraryWheelStep({TopRow(), CurrentRow()}, down, ctrl, VisibleRows(), GridRowCount());
    SetCurrentRow(to.Row);
    // The rows are placed by the step, not dragged to the current row by the view.
    SetTopRow(to.Top);
}

void TLibraryView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    UpdateCurrentRows(*this, current, previous);
}

// The frame of the current row is solid only while the grid has the focus.
void TLibraryView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TLibraryView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

bool TLibraryView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        const int column = horizontalHeader()->logicalIndexAt(press->position().toPoint());
        emit cellPressed(press->button(), press->modifiers(), column, 0);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

// Files and folders dropped from a file manager are imported; the grid takes no other drop.
void TLibraryView::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TLibraryView::dragMoveEvent(QDragMoveEvent* event) {
    if (LocalPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TLibraryView::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pathsDropped(paths);
}

} // namespace velcora
