#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace velcora {

/// Draws the cells of a bank view: the number column as " 007" on light blue, the name
/// column in bold, white on blue for a marked slot, else black on the view's colour; text
/// from the cell's top-left corner.
class TBankCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static inline const QColor NumberColour{0xA6, 0xCA, 0xF0};
    static inline const QColor MarkedColour{0x00, 0x00, 0xFF};

    /// What one cell shows.
    struct TCellLook {
        QString Text;
        QColor Background;
        QColor Foreground;
    };

    explicit TBankCellDelegate(QColor viewColour, QObject* parent = nullptr);

    TCellLook Look(const QModelIndex& index) const;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QColor FViewColour;
};

} // namespace velcora
