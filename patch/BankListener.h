#pragma once

namespace velcora {

/// How a bank tells the view that shows it what changed. Slots are 0..127; the hidden
/// extension is never shown.
class IBankListener {
public:
    virtual ~IBankListener() = default;

    /// The names of slots first..last changed (their rows must be redrawn).
    virtual void RowsChanged(int first, int last) = 0;
    /// Marks changed somewhere: the whole view is repainted.
    virtual void Repaint() = 0;
};

} // namespace velcora
