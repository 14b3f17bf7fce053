#pragma once

#include "LibraryListener.h"

#include <QAbstractTableModel>

namespace velcora {

class TPatchLib;

/// The rows of the library grid: one a patch, with its type, name and three notes. A thin
/// model over the library, which tells it which rows came, went or changed.
class TLibraryModel : public QAbstractTableModel, public ILibraryListener {
    Q_OBJECT

public:
    static constexpr int SelectedRole = Qt::UserRole + 1;

    explicit TLibraryModel(TPatchLib& lib, QObject* parent = nullptr);
    ~TLibraryModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted() override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved() override;
    void RowsChanged(int first, int last) override;
    void AboutToReset() override;
    void ResetDone() override;
    void Repaint() override;
    void CaptionChanged(const std::string& caption) override;

signals:
    /// The library tab's caption changed.
    void captionChanged(const QString& caption);

private:
    TPatchLib& FLib;
};

} // namespace velcora
