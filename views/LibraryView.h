#pragma once

#include <QTableView>

namespace velcora {

class TLibraryCellDelegate;

/// The library grid: the title row and one row a patch, with the columns Type, Name and the
/// three notes. Rows are counted as the grid shows them: 0 the title row, row r the library's
/// patch r - 1, -1 outside the rows. The marks of the patches live in the library and are
/// drawn by the cell delegate; Qt's own selection is off. The view only reports what the
/// person does and moves its current row as a grid does; what that means is decided elsewhere.
class TLibraryView : public QTableView {
    Q_OBJECT

public:
    static constexpr int RowHeight = 18;

    explicit TLibraryView(QWidget* parent = nullptr);
    ~TLibraryView() override;

    void setModel(QAbstractItemModel* model) override;

    /// The grid row under a point of the viewport: -1 outside the patch rows.
    int RowAt(const QPoint& pos) const;
    /// The current row; 1 (the first patch row) before any row was current.
    int CurrentRow() const;
    /// Makes a patch row current, as the program's moves do, without scrolling.
    void SetCurrentRow(int row);
    /// The first visible patch row.
    int TopRow() const;
    /// Makes row the first visible row, as far as the rows go.
    void SetTopRow(int row);
    /// The rows the viewport shows whole.
    int VisibleRows() const;
    /// The rows of the grid, the title row included.
    int GridRowCount() const;
    /// The rectangle of a cell in the viewport; empty for the title row or outside the rows.
    QRect CellRect(int column, int row) const;
    const TLibraryCellDelegate& CellDelegate() const { return *FDelegate; }

signals:
    /// A mouse press on a cell or on the title row (row 0), raised before the view moves its
    /// current row; column is -1 beside the columns.
    void cellPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column, int row);
    /// The click that follows a left press in the rows, after the current row moved there.
    void pressClicked();
    void rowDoubleClicked(int row);
    /// A key pressed while row is current; raised before the view moves its current row for
    /// a navigation key.
    void rowKeyPressed(int qtKey, Qt::KeyboardModifiers modifiers, int row);
    /// The menu key or Shift+F10, with the cell (column, row) current.
    void menuKeyPressed(int column, int row);
    /// Local files or folders were dropped on the grid.
    void pathsDropped(const QStringList& paths);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void WheelStep(bool down, bool ctrl);

    TLibraryCellDelegate* FDelegate;
    /// What is left of the wheel's turn below one step (fine-grained wheels and touchpads).
    int FWheelRest = 0;
};

} // namespace velcora
