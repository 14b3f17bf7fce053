#pragma once

#include <QKeyEvent>

namespace velcora {

/// The keys that open a context menu from the keyboard: the menu key, and Shift+F10.
inline bool IsMenuKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Menu ||
           (event.key() == Qt::Key_F10 && event.modifiers().testFlag(Qt::ShiftModifier));
}

} // namespace velcora
