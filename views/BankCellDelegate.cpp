#include "BankCellDelegate.h"

#include "BankModel.h"
#include "CurrentRowFrame.h"

#include <QPainter>

namespace velcora {

TBankCellDelegate::TBankCellDelegate(QColor viewColour, QObject* parent)
    : QStyledItemDelegate(parent), FViewColour(viewColour) {}

TBankCellDelegate::TCellLook TBankCellDelegate::Look(const QModelIndex& index) const {
    if (index.column() == 0) {
        return {QStringLiteral(" %1").arg(index.data().toInt(), 3, 10, QLatin1Char('0')),
                NumberColour, Qt::black};
    }
    const QString text = QLatin1Char(' ') + index.data().toString();
    if (index.data(TBankModel::SelectedRole).toBool()) {
        return {text, MarkedColour, Qt::white};
    }
    return {text, FViewColour, Qt::black};
}

void TBankCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const TCellLook look = Look(index);
    painter->save();
    painter->fillRect(option.rect, look.Background);
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(look.Foreground);
    // A name is a fixed-width record of the synth: it starts where the cell starts, and what
    // does not fit is cut, not squeezed.
    painter->setClipRect(option.rect);
    painter->drawText(option.rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, look.Text);
    painter->restore();
    // Up and Down go on from the current row: the person must see where it is.
    DrawCurrentRowFrame(*painter, option, index, look.Foreground);
}

} // namespace velcora
