#include "LibraryCellDelegate.h"

#include "CurrentRowFrame.h"
#include "LibraryModel.h"

#include <QPainter>

namespace velcora {

TLibraryCellDelegate::TLibraryCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

TLibraryCellDelegate::TCellLook TLibraryCellDelegate::Look(const QModelIndex& index) {
    const int column = index.column();
    const bool bold = column <= 1;
    const QString text = index.data().toString();
    if (index.data(TLibraryModel::SelectedRole).toBool()) {
        return {text, MarkedColour, Qt::white, bold};
    }
    const QColor foreground = column == 0   ? TypeColour
                              : column == 1 ? NameColour
                                            : QColor(Qt::black);
    return {text, CellColour, foreground, bold};
}

void TLibraryCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const TCellLook look = Look(index);
    painter->save();
    painter->fillRect(option.rect, look.Background);
    QFont font = option.font;
    font.setBold(look.Bold);
    painter->setFont(font);
    painter->setPen(look.Foreground);
    // A note longer than its column is cut at the cell's edge, not squeezed or elided.
    painter->setClipRect(option.rect);
    painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, look.Text);
    painter->restore();
    // Up and Down go on from the current row: the person must see where it is.
    DrawCurrentRowFrame(*painter, option, index, look.Foreground);
}

} // namespace velcora
