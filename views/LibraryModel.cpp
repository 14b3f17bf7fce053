#include "LibraryModel.h"

#include "Cp1252.h"
#include "Patchlib.h"

namespace velcora {

namespace {

constexpr int ColumnCount = 5;

} // namespace

TLibraryModel::TLibraryModel(TPatchLib& lib, QObject* parent)
    : QAbstractTableModel(parent), FLib(lib) {
    FLib.SetListener(this);
}

TLibraryModel::~TLibraryModel() {
    FLib.SetListener(nullptr);
}

int TLibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows.RowCount(FLib.Count());
}

int TLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLibraryModel::data(const QModelIndex& index, int role) const {
    const int patchIndex = index.isValid() ? FRows.PatchAt(index.row(), FLib.Count()) : -1;
    if (patchIndex < 0) {
        return {};
    }
    const TPatchRec& patch = FLib.Patch(patchIndex);
    if (role == SelectedRole) {
        return patch.Selected();
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case 0:
        return FromCp1252(patch.TypePart());
    case 1:
        return FromCp1252(patch.NamePart());
    default:
        return FromCp1252(patch.Note(index.column() - 2));
    }
}

QVariant TLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    static const char* const titles[ColumnCount] = {"Type", "Name", "Note 1", "Note 2", "Note 3"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section])
                                                 : QVariant();
}

// While filtered, the rows that come or go are not the library's: the rows are reset, and
// the map follows the patches until the filter is applied again.
void TLibraryModel::RowsAboutToBeInserted(int first, int last) {
    FPendingFirst = first;
    FPendingLast = last;
    if (FRows.Filtered()) {
        beginResetModel();
    } else {
        beginInsertRows({}, first, last);
    }
}
void TLibraryModel::RowsInserted() {
    if (FRows.Filtered()) {
        FRows.Inserted(FPendingFirst, FPendingLast);
        endResetModel();
    } else {
        endInsertRows();
    }
}
void TLibraryModel::RowsAboutToBeRemoved(int first, int last) {
    FPendingFirst = first;
    FPendingLast = last;
    if (FRows.Filtered()) {
        beginResetModel();
    } else {
        beginRemoveRows({}, first, last);
    }
}
void TLibraryModel::RowsRemoved() {
    if (FRows.Filtered()) {
        FRows.Removed(FPendingFirst, FPendingLast);
        endResetModel();
    } else {
        endRemoveRows();
    }
}
void TLibraryModel::AboutToReset() {
    beginResetModel();
}
void TLibraryModel::ResetDone() {
    FRows.Reset(FLib.Count());
    endResetModel();
}

void TLibraryModel::RowsChanged(int first, int last) {
    if (FRows.Filtered()) {
        // Which shown rows the patches are on is not worth finding: repaint them all.
        Repaint();
        return;
    }
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void TLibraryModel::Repaint() {
    const int rows = rowCount();
    if (rows > 0) {
        emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1), {SelectedRole});
    }
}

bool TLibraryModel::ShowAllPatches() {
    if (!FRows.Filtered()) {
        return false;
    }
    beginResetModel();
    FRows.ShowAll();
    endResetModel();
    return true;
}

bool TLibraryModel::ShowOnlyPatches(std::vector<int> patches) {
    if (FRows.Filtered() && FRows.Patches() == patches) {
        return false;
    }
    beginResetModel();
    FRows.ShowOnly(std::move(patches));
    endResetModel();
    return true;
}

void TLibraryModel::CaptionChanged(const std::string& caption) {
    emit captionChanged(FromCp1252(caption));
}

} // namespace velcora
