#pragma once

#include <QObject>

namespace velcora {

/// Called first in a window's destructor: its child widgets still send signals and events
/// (a field losing the focus as it goes) while they are destroyed after the window's own
/// part is gone, and nothing of the window may answer them then.
inline void DetachChildren(QObject& window) {
    for (QObject* child : window.findChildren<QObject*>()) {
        child->removeEventFilter(&window);
        QObject::disconnect(child, nullptr, &window, nullptr);
    }
}

} // namespace velcora
