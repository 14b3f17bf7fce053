#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace velcora {

/// Draws the library grid's patch cells: Type and Name in bold, the notes regular; a marked
/// patch white on blue in every column; an unmarked one on white, its Type navy, its Name
/// green, its notes black; text from the cell's top-left corner.
class TLibraryCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static inline const QColor CellColour{0xFF, 0xFF, 0xFF};
    static inline const QColor MarkedColour{0x00, 0x00, 0xFF};
    static inline const QColor TypeColour{0x00, 0x00, 0x80};
    static inline const QColor NameColour{0x00, 0x80, 0x00};

    /// What one cell shows.
    struct TCellLook {
        QString Text;
        QColor Background;
        QColor Foreground;
        bool Bold = false;
    };

    explicit TLibraryCellDelegate(QObject* parent = nullptr);

    static TCellLook Look(const QModelIndex& index);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace velcora
