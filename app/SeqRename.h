#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

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
    /// the person answered Yes, with the first number and the width of the numbers. Fewer
    /// than two patches need no numbers: the dialog is not shown and the answer is No.
    bool Ask(const std::string& baseName, int count, int& start, int& width);

    /// What the numbering of count patches from start gives: the last number, its width in
    /// digits and the last patch's name between single quotes.
    struct TNumbers {
        long long End = 0;
        int Width = 1;
        std::string Example;
        bool operator==(const TNumbers&) const = default;
    };
    /// baseName is cut to the room the numbers leave (bytes, one a character); a count below
    /// one counts as one.
    static TNumbers Numbers(const std::string& baseName, int start, int count);

    /// The start number a text of the Start field gives: nothing for an empty text, one that
    /// is not a whole number (digits after an optional minus) or one above LargestStart; 0 for
    /// a negative one.
    static std::optional<int> StartFromText(const std::string& text);

    /// The largest start: the numbers of a full library stay inside an int and leave the
    /// name at least one character.
    static constexpr int LargestStart = 999999999;

    static inline const char* const Caption = "Sequence Rename";
    /// What the error box says when the Start field is left holding text that is no start.
    static std::string NotAStartText(const std::string& text);

    /// Yes, unless the Start field holds text that is no start: that was just reported, and
    /// the person corrects it first.
    void accept() override;

private:
    void BuildControls();
    /// Recomputes End and Example from the stored start, count and base name.
    void Prepare();
    void eStartChange(const QString& text);
    /// The Start field left (Enter, or the focus elsewhere): text that is no start is
    /// reported, and the field takes the focus back.
    void eStartExit();
    /// The Start field holds text, and it is no start.
    bool StartUnusable() const;

    int FStart = 0;
    int FCount = 1;
    long long FEnd = 0;
    int FEndWidth = 1;
    std::string FBaseName;

    QLineEdit* FEStart = nullptr;
    QLabel* FLEnd = nullptr;
    QLabel* FLFormat = nullptr;
    QPushButton* FNo = nullptr;
    /// The error box about the Start field is showing (the focus it takes away must not
    /// report the text again).
    bool FReportingStart = false;
    /// The text last reported, so that Yes right after the report does not repeat it.
    QString FReportedStart;
};

} // namespace velcora
