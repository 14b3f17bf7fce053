#pragma once

#include "BankListener.h"

#include <QAbstractTableModel>

namespace velcora {

class TPatchBank;

/// The rows of a bank view: slots 0..127 with their number and name. The bank tells it what
/// changed and it announces exactly those rows.
class TBankModel : public QAbstractTableModel, public IBankListener {
    Q_OBJECT

public:
    /// Role under which a row tells whether its slot is marked.
    static constexpr int SelectedRole = Qt::UserRole + 1;

    explicit TBankModel(TPatchBank& bank, QObject* parent = nullptr);
    ~TBankModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void RowsChanged(int first, int last) override;
    void Repaint() override;

private:
    TPatchBank& FBank;
};

} // namespace velcora
