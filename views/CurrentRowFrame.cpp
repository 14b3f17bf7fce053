#include "CurrentRowFrame.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace velcora {

namespace {

const QAbstractItemView* ViewOf(const QStyleOptionViewItem& option) {
    return qobject_cast<const QAbstractItemView*>(option.widget);
}

} // namespace

bool InCurrentRow(const QStyleOptionViewItem& option, const QModelIndex& index) {
    const QAbstractItemView* view = ViewOf(option);
    return view != nullptr && view->currentIndex().isValid() &&
           view->currentIndex().row() == index.row();
}

void DrawCurrentRowFrame(QPainter& painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index, const QColor& colour) {
    if (!InCurrentRow(option, index)) {
        return;
    }
    const QAbstractItemView* view = ViewOf(option);
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    painter.save();
    painter.setClipRect(option.rect);
    painter.setPen(QPen(colour, 1, view->hasFocus() ? Qt::SolidLine : Qt::DotLine));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == 0) {
        painter.drawLine(r.topLeft(), r.bottomLeft());
    }
    if (index.model() != nullptr && index.column() == index.model()->columnCount() - 1) {
        painter.drawLine(r.topRight(), r.bottomRight());
    }
    painter.restore();
}

void UpdateCurrentRows(QAbstractItemView& view, const QModelIndex& current,
                       const QModelIndex& previous) {
    for (const QModelIndex& index : {current, previous}) {
        if (!index.isValid()) {
            continue;
        }
        const QRect first = view.visualRect(index.siblingAtColumn(0));
        const QRect last = view.visualRect(index.siblingAtColumn(index.model()->columnCount() - 1));
        view.viewport()->update(first.united(last));
    }
}

} // namespace velcora
