#pragma once

#include "LibraryListener.h"
#include "LibraryRowMap.h"

#include <QAbstractTableModel>

namespace velcora {

class TPatchLib;

/// The rows of the library grid: one a patch, with its type, name and three notes. A thin
/// model over the library, which tells it which rows came, went or changed. While a filter
/// hides patches, its rows are only the patches that show (Rows() maps them).
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

    /// The patches the rows show: all, or only these library indices (ascending). One reset
    /// of the rows, and none when they stay the same.
    /// True when the rows changed.
    bool ShowAllPatches();
    bool ShowOnlyPatches(std::vector<int> patches);
    const TLibraryRowMap& Rows() const { return FRows; }

signals:
    /// The library tab's caption changed.
    void captionChanged(const QString& caption);

private:
    TPatchLib& FLib;
    TLibraryRowMap FRows;
    /// The patches an insertion or removal announced, until it is done.
    int FPendingFirst = 0;
    int FPendingLast = -1;
};

} // namespace velcora
