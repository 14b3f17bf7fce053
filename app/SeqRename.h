#pragma once

#include <QDialog>
#include <string>

namespace velcora {

/// The sequence rename dialog: whether the patches given one name get running numbers, with
/// the first number, the last one and an example. Modal; lives as long as the program, so the
/// start number carries over from one use to the next.
class TfSeqRename : public QDialog {
    Q_OBJECT

public:
    explicit TfSeqRename(QWidget* parent = nullptr);
    ~TfSeqRename() override;

    /// Prepares the dialog for count patches named baseName and shows it modally. True when
    /// the person answered Yes, with the first number and the width of the numbers.
    bool Ask(const std::string& baseName, int count, int& start, int& width);
};

} // namespace velcora
