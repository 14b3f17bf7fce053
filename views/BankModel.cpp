#include "BankModel.h"

#include "Cp1252.h"
#include "Patchbank.h"

namespace velcora {

TBankModel::TBankModel(TPatchBank& bank, QObject* parent)
    : QAbstractTableModel(parent), FBank(bank) {
    FBank.SetListener(this);
}

TBankModel::~TBankModel() {
    FBank.SetListener(nullptr);
}

int TBankModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TPatchBank::SlotCount;
}

int TBankModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant TBankModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= TPatchBank::SlotCount) {
        return {};
    }
    const TPatchRec& patch = FBank.Slot(index.row());
    if (role == SelectedRole) {
        return patch.Selected();
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return index.column() == 0 ? QVariant(index.row()) : QVariant(FromCp1252(patch.Name()));
}

QVariant TBankModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    return section == 0 ? QStringLiteral("Num") : QStringLiteral("Patch (Type : Name)");
}

void TBankModel::RowsChanged(int first, int last) {
    emit dataChanged(index(first, 0), index(last, 1), {Qt::DisplayRole});
}

void TBankModel::Repaint() {
    emit dataChanged(index(0, 0), index(TPatchBank::SlotCount - 1, 1), {SelectedRole});
}

} // namespace velcora
