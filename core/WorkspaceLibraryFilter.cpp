// The library filter: which grid rows show while the person types in the filter field, and
// the marks that must not stay on a row nobody can see.
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>
#include <string_view>

namespace velcora {

namespace {

/// Names and notes are Windows-1252 bytes: only the ASCII letters have a case to fold, and
/// folding byte by byte leaves the other characters (accented ones included) as they are.
char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// Whether text holds word, whose letters are already folded, letter case ignored.
bool HoldsWord(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) {
        return false;
    }
    const auto at = std::search(text.begin(), text.end(), word.begin(), word.end(),
                                [](char t, char w) { return FoldCase(t) == w; });
    return at != text.end();
}

/// The words of a filter text: separated by blanks (spaces and tabs), letters folded.
std::vector<std::string> FilterWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text + ' ') {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        } else {
            word.push_back(FoldCase(c));
        }
    }
    return words;
}

} // namespace

bool TWorkspace::PassesLibFilter(const TPatchRec& patch) const {
    // The five cells as the grid shows them: type (three characters), the name proper after
    // the colon (twelve), then the notes. A word must lie within one cell.
    const std::string_view name = patch.Name();
    const std::string_view type = name.substr(0, 3);
    const std::string_view proper = name.size() > 4 ? name.substr(4, 12) : std::string_view();
    for (const std::string& word : FLibFilterWords) {
        if (!HoldsWord(type, word) && !HoldsWord(proper, word) && !HoldsWord(patch.Note(0), word) &&
            !HoldsWord(patch.Note(1), word) && !HoldsWord(patch.Note(2), word)) {
            return false;
        }
    }
    return true;
}

void TWorkspace::edLibFilterChange(const std::string& text) {
    FLibFilter = text;
    FLibFilterWords = FilterWords(text);
    ReapplyLibraryFilter();
}

void TWorkspace::ReapplyLibraryFilter() {
    const int count = FLib->Count();
    FLibVisibleCount = 0;
    FLibShown.assign(static_cast<size_t>(count), 0);
    bool unmarked = false;
    for (int i = 0; i < count; ++i) {
        TPatchRec& patch = FLib->Patch(i);
        if (PassesLibFilter(patch)) {
            ++FLibVisibleCount;
            FLibShown[static_cast<size_t>(i)] = 1;
        } else if (patch.Selected()) {
            // No command may act on a patch the person cannot see.
            patch.SetSelected(false);
            unmarked = true;
        }
    }
    if (unmarked) {
        FLib->BuildSelection();
        FLib->Repaint();
        const size_t marked = FLib->Selection().size();
        SetMixMorph(marked >= 2, marked == 2);
    }
    FView.ShowLibraryFilter(FLibVisibleCount, count);
}

bool TWorkspace::LibRowVisible(int row) const {
    if (row == 0) {
        return true;
    }
    if (row < 1 || row > FLib->Count()) {
        return false;
    }
    if (FLibFilterWords.empty()) {
        return true;
    }
    const auto index = static_cast<size_t>(row - 1);
    return index < FLibShown.size() && FLibShown[index] != 0;
}

int TWorkspace::NextVisibleLibRow(int row, int step) const {
    for (int r = row; r >= 1 && r <= FLib->Count(); r += step) {
        if (LibRowVisible(r)) {
            return r;
        }
    }
    return -1;
}

} // namespace velcora
