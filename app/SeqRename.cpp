#include "SeqRename.h"

#include "Cp1252.h"
#include "QtDialogs.h"
#include "Teardown.h"

#include <QApplication>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

namespace velcora {

namespace {

/// A name of the library grid: the part after the type and the colon.
constexpr size_t NameLength = 12;

QLabel* MakeLabel(QWidget* parent, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setAccessibleName(label->text());
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString::fromLatin1(text));
    return button;
}

} // namespace

TfSeqRename::TfSeqRename(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fSeqRename"));
    setWindowTitle(QString::fromLatin1(Caption));
    setModal(true);
    BuildControls();
    Prepare();
}

TfSeqRename::~TfSeqRename() {
    DetachChildren(*this);
}

void TfSeqRename::BuildControls() {
    auto* question = MakeLabel(this, "Add number at end of name ?");
    question->setObjectName(QStringLiteral("lQuestion"));
    QFont bold = question->font();
    bold.setBold(true);
    question->setFont(bold);
    QPalette red = question->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    question->setPalette(red);

    FEStart = new QLineEdit(QStringLiteral("0"), this);
    FEStart->setObjectName(QStringLiteral("eStart"));
    FEStart->setAccessibleName(QStringLiteral("Start"));
    FEStart->setMaximumWidth(
        FEStart->fontMetrics().horizontalAdvance(QStringLiteral("-0000000000")) + 16);
    FLEnd = new QLabel(this);
    FLEnd->setObjectName(QStringLiteral("lEnd"));
    FLEnd->setAccessibleName(QStringLiteral("End"));
    FLFormat = new QLabel(this);
    FLFormat->setObjectName(QStringLiteral("lFormat"));
    FLFormat->setAccessibleName(QStringLiteral("Example"));
    // Room for the longest example, so that the dialog does not change size as one types.
    FLFormat->setMinimumWidth(
        FLFormat->fontMetrics().horizontalAdvance(QStringLiteral("'WWWWWWWWWWW 0000'")));
    FLFormat->setTextFormat(Qt::PlainText);

    auto* startLabel = MakeLabel(this, "Start");
    startLabel->setBuddy(FEStart);
    auto* fields = new QGridLayout;
    fields->addWidget(startLabel, 0, 0);
    fields->addWidget(FEStart, 0, 1);
    fields->addWidget(MakeLabel(this, "End"), 1, 0);
    fields->addWidget(FLEnd, 1, 1);
    fields->addWidget(MakeLabel(this, "Example:"), 2, 0);
    fields->addWidget(FLFormat, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* yes = MakeButton(this, "bYes", "Yes");
    auto* no = MakeButton(this, "bNo", "No");
    FNo = no;
    // Enter after typing a start number answers Yes.
    yes->setDefault(true);
    no->setAutoDefault(false);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yes);
    buttons->addWidget(no);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(FEStart, &QLineEdit::textChanged, this, &TfSeqRename::eStartChange);
    // Reported when the field is left, not at every key: "-" on the way to "-3" is no error.
    connect(FEStart, &QLineEdit::editingFinished, this, &TfSeqRename::eStartExit);
}

std::string TfSeqRename::NotAStartText(const std::string& text) {
    return "'" + text + "' is not a valid start number.\n\nType a whole number from 0 to " +
           std::to_string(LargestStart) + ".";
}

bool TfSeqRename::StartUnusable() const {
    const std::string text = ToCp1252(FEStart->text());
    return !text.empty() && !StartFromText(text);
}

void TfSeqRename::eStartExit() {
    // Leaving for No answers No: what Start holds no longer matters.
    if (FReportingStart || !isVisible() || !StartUnusable() || QApplication::focusWidget() == FNo) {
        return;
    }
    FReportingStart = true;
    FReportedStart = FEStart->text();
    TQtDialogs(this).MessageBox(TMessageKind::Error, NotAStartText(ToCp1252(FEStart->text())),
                                TButtons::Ok);
    FReportingStart = false;
    FEStart->setFocus();
    FEStart->selectAll();
}

void TfSeqRename::accept() {
    if (StartUnusable()) {
        if (FEStart->text() != FReportedStart) {
            eStartExit();
        }
        FEStart->setFocus();
        FEStart->selectAll();
        return;
    }
    QDialog::accept();
}

bool TfSeqRename::Ask(const std::string& baseName, int count, int& start, int& width) {
    FBaseName = baseName.substr(0, NameLength);
    FCount = count;
    Prepare();
    if (count < 2) {
        return false;
    }
    FEStart->setFocus();
    FEStart->selectAll();
    if (exec() != QDialog::Accepted) {
        return false;
    }
    start = FStart;
    width = FEndWidth;
    return true;
}

TfSeqRename::TNumbers TfSeqRename::Numbers(const std::string& baseName, int start, int count) {
    TNumbers numbers;
    numbers.End = static_cast<long long>(start) + std::max(count, 1) - 1;
    const std::string end = std::to_string(numbers.End);
    numbers.Width = static_cast<int>(end.size());
    const size_t room = NameLength - 1 - std::min(end.size(), NameLength - 1);
    numbers.Example = "'" + baseName.substr(0, room) + " " + end + "'";
    return numbers;
}

std::optional<int> TfSeqRename::StartFromText(const std::string& text) {
    const bool negative = !text.empty() && text.front() == '-';
    const char* first = text.data() + (negative ? 1 : 0);
    const char* last = text.data() + text.size();
    // Digits only after the sign: no blanks, no second sign.
    if (first == last || !std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    if (negative) {
        return 0;
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value > LargestStart) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

void TfSeqRename::Prepare() {
    const TNumbers numbers = Numbers(FBaseName, FStart, FCount);
    FEnd = numbers.End;
    FEndWidth = numbers.Width;
    FLEnd->setText(QString::number(FEnd));
    FLFormat->setText(FromCp1252(numbers.Example));
}

void TfSeqRename::eStartChange(const QString& text) {
    // A text that is no usable number (a lone "-" on the way to "-3", letters, a number too
    // large for a name) is not worth a message box at every key: the last good start stays,
    // and End and Example keep showing what it gives.
    const std::optional<int> start = StartFromText(text.toStdString());
    if (!start) {
        return;
    }
    FStart = *start;
    Prepare();
}

} // namespace velcora
