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
    return parent.isValid() ? 0 : FLib.Count();
}

int TLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FLib.Count()) {
        return {};
    }
    const TPatchRec& patch = FLib.Patch(index.row());
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

void TLibraryModel::RowsAboutToBeInserted(int first, int last) {
    beginInsertRows({}, first, last);
}
void TLibraryModel::RowsInserted() {
    endInsertRows();
}
void TLibraryModel::RowsAboutToBeRemoved(int first, int last) {
    beginRemoveRows({}, first, last);
}
void TLibraryModel::RowsRemoved() {
    endRemoveRows();
}
void TLibraryModel::AboutToReset() {
    beginResetModel();
}
void TLibraryModel::ResetDone() {
    endResetModel();
}

void TLibraryModel::RowsChanged(int first, int last) {
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void TLibraryModel::Repaint() {
    if (FLib.Count() > 0) {
        emit dataChanged(index(0, 0), index(FLib.Count() - 1, ColumnCount - 1), {SelectedRole});
    }
}

void TLibraryModel::CaptionChanged(const std::string& caption) {
    emit captionChanged(FromCp1252(caption));
}

} // namespace velcora
