#pragma once

#include <QColor>

class QAbstractItemView;
class QModelIndex;
class QPainter;
class QRect;
class QStyleOptionViewItem;

namespace velcora {

/// Whether a cell lies in the current row of the view that draws it.
bool InCurrentRow(const QStyleOptionViewItem& option, const QModelIndex& index);

/// Draws this cell's share of the frame around the current row: its top and bottom edges,
/// and the row's outer edge in the first and the last column. colour: the cell's text colour,
/// which stands out from the cell's own background whatever its mark. The frame is solid
/// while the view has the focus and dotted otherwise.
void DrawCurrentRowFrame(QPainter& painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index, const QColor& colour);

/// Repaints both whole rows when the current row moves (a view repaints the two current
/// cells only).
void UpdateCurrentRows(QAbstractItemView& view, const QModelIndex& current,
                       const QModelIndex& previous);

} // namespace velcora
