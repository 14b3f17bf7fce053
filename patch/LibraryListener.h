#pragma once

#include <string>

namespace velcora {

/// How the library tells the grid that shows it what changed. Rows are patch indices;
/// every About... call is followed by its matching done call once the patches have moved.
class ILibraryListener {
public:
    virtual ~ILibraryListener() = default;

    virtual void RowsAboutToBeInserted(int first, int last) = 0;
    virtual void RowsInserted() = 0;
    virtual void RowsAboutToBeRemoved(int first, int last) = 0;
    virtual void RowsRemoved() = 0;
    /// The contents of rows first..last changed.
    virtual void RowsChanged(int first, int last) = 0;
    /// Everything may change (a file is read, the library is cleared).
    virtual void AboutToReset() = 0;
    virtual void ResetDone() = 0;
    /// Marks changed: the grid is repainted.
    virtual void Repaint() = 0;
    /// The tab caption: the file's base name, " : " and the count, "*" in front when modified.
    virtual void CaptionChanged(const std::string& caption) = 0;
};

} // namespace velcora
