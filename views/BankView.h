#pragma once

#include <QColor>
#include <QTableView>

namespace velcora {

class TBankCellDelegate;

/// One bank's list of 128 slots, with the number and name columns. The marks of the slots
/// live in the bank and are drawn by the cell delegate; Qt's own selection is off. The view
/// only reports what the person does (press, click, double click, keys) and moves its current
/// row as a grid does; what that means is decided elsewhere.
class TBankView : public QTableView {
    Q_OBJECT

public:
    /// colour: the view's own colour behind the names; nameWidth: the name column's width
    /// before the view is laid out (the column then takes what the view's width leaves).
    TBankView(QColor colour, int nameWidth, QWidget* parent = nullptr);
    ~TBankView() override;

    /// The slot of the row under a point of the viewport, -1 outside the rows.
    int SlotAt(const QPoint& pos) const;
    /// The slot of the current row, 0 before any row was current.
    int CurrentSlot() const;
    /// Makes a slot's row current and scrolls it into sight, as the program's moves do.
    void SetCurrentSlot(int slot);
    /// Scrolls a slot's row into sight; the current row stays where the person put it.
    void ShowSlot(int slot);
    /// The slot shown in the first visible row.
    int TopSlot() const;
    QSize sizeHint() const override;
    QColor Colour() const { return FColour; }
    const TBankCellDelegate& CellDelegate() const { return *FDelegate; }

signals:
    /// A mouse press in the rows area; slot is -1 outside the rows. Raised before the view
    /// moves its current row.
    void slotPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int slot);
    /// The click that follows a left press, after the current row moved to the press.
    void pressClicked();
    void slotDoubleClicked(int slot);
    /// A key pressed while the row of slot is current; raised before the view moves its
    /// current row for a navigation key.
    void slotKeyPressed(int qtKey, Qt::KeyboardModifiers modifiers, int slot);
    /// The menu key or Shift+F10, with the row of slot current.
    void menuKeyPressed(int slot);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    /// One wheel step: the first visible row moves two rows; the current row stays.
    void WheelStep(bool down);

    QColor FColour;
    int FNameWidth;
    TBankCellDelegate* FDelegate;
    /// What is left of the wheel's turn below one step (fine-grained wheels and touchpads).
    int FWheelRest = 0;
};

} // namespace velcora
