#include "PatchList.h"

#include "ByteStream.h"
#include "Cp1252.h"
#include "Dialogs.h"
#include "FileSave.h"
#include "Midnam.h"
#include "MidnamBanks.h"
#include "PatchContext.h"
#include "PatchMessages.h"
#include "Workspace.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace velcora {

namespace {

QLabel* MakeLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    return label;
}

/// Keeps its place in the layout while hidden, so that showing it moves nothing.
void KeepPlace(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QToolButton* MakeButton(const char* name, const char* icon, const QString& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    return button;
}

} // namespace

TfPatchList::TfPatchList(TWorkspace& workspace, IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), FWorkspace(workspace), FDialogs(dialogs),
      FStartDir(QDir::currentPath().toStdString() + "/"),
      FSave(ListSaveSettings(TListType::Plain)) {
    setWindowTitle(QStringLiteral("Patch List"));

    FTitle = new QLineEdit(QStringLiteral("User"), this);
    FTitle->setObjectName(QStringLiteral("eListTitle"));
    FTitle->setAccessibleName(QStringLiteral("List Name"));
    FTitle->setMinimumWidth(120);
    FTitle->setToolTip(QStringLiteral(
        "Enter the name of your song / project to have a list just for that project "));
    auto* titleLabel = MakeLabel(QStringLiteral("List Name :"), this);
    titleLabel->setBuddy(FTitle);
    FSynthName = new QLabel(this);
    FSynthName->setObjectName(QStringLiteral("lSynthName"));
    FSynthName->setAccessibleName(QStringLiteral("Synth model"));
    auto* bankLabel = MakeLabel(QStringLiteral("Bank - 0"), this);

    FSeparator = new QLineEdit(QStringLiteral(":"), this);
    FSeparator->setObjectName(QStringLiteral("eSeparator"));
    FSeparator->setAccessibleName(QStringLiteral("Separator"));
    FSeparator->setToolTip(QStringLiteral("Characters between the number and the patch name."));
    FSeparator->setMaximumWidth(80);
    FSeparatorLabel = MakeLabel(QStringLiteral("Separator:"), this);
    FSeparatorLabel->setObjectName(QStringLiteral("lSeparator"));
    FSeparatorLabel->setBuddy(FSeparator);
    KeepPlace(FSeparator);
    KeepPlace(FSeparatorLabel);

    auto* fields = new QGridLayout;
    fields->addWidget(titleLabel, 0, 0);
    fields->addWidget(FTitle, 0, 1);
    fields->addWidget(FSynthName, 0, 2);
    fields->addWidget(bankLabel, 0, 3);
    fields->addWidget(FSeparatorLabel, 1, 0);
    fields->addWidget(FSeparator, 1, 1, Qt::AlignLeft);
    fields->setColumnStretch(1, 1);

    auto* hints = new QVBoxLayout;
    hints->setSpacing(0);
    for (const QString& text :
         {QStringLiteral("Make a change below"), QStringLiteral("to regenerate the list."),
          QStringLiteral("Press 'Enter' after text.")}) {
        hints->addWidget(MakeLabel(text, this));
    }
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(hints);
    left->addStretch(1);

    auto* listType = new QGroupBox(QStringLiteral("List Type"), this);
    listType->setObjectName(QStringLiteral("rgListType"));
    listType->setAccessibleName(QStringLiteral("List Type"));
    // The title stands inside the blue box: yellow on the window's own grey would not read.
    listType->setStyleSheet(
        QStringLiteral("QGroupBox#rgListType { color: yellow; background-color: #004080;"
                       " border: 1px solid #002040; margin-top: 0; padding: 1.5em 6px 4px 6px; }"
                       "QGroupBox#rgListType::title { subcontrol-origin: padding;"
                       " subcontrol-position: top left; left: 6px; top: 3px; }"
                       "QGroupBox#rgListType QRadioButton { color: yellow; }"));
    FListType = new QButtonGroup(this);
    auto* items = new QVBoxLayout(listType);
    int id = 0;
    for (const QString& text : {QStringLiteral("Plain List"), QStringLiteral("Numbered"),
                                QStringLiteral("Cakewalk *.ins")}) {
        auto* item = new QRadioButton(text, listType);
        item->setAccessibleName(text);
        FListType->addButton(item, id++);
        items->addWidget(item);
    }
    FListType->button(0)->setChecked(true);
    connect(FListType, &QButtonGroup::idClicked, this, [this] { rgListTypeClick(); });

    FCopied = MakeLabel(QStringLiteral("Copied to clipboard"), this);
    FCopied->setObjectName(QStringLiteral("lClipboadLoaded"));
    FCopied->setStyleSheet(QStringLiteral("color: green; font-weight: bold;"));
    FCopied->hide();
    KeepPlace(FCopied);

    auto* save = MakeButton("bbSaveBank", ":/icons/save.svg",
                            QStringLiteral("Save the list to a file"), this);
    connect(save, &QToolButton::clicked, this, [this] { bbSaveBankClick(); });
    auto* exit = MakeButton("bbExitPatchList", ":/velcora/icons/exit.svg",
                            QStringLiteral("Close the patch list"), this);
    connect(exit, &QToolButton::clicked, this, [this] { bbExitPatchListClick(); });
    auto* midnam =
        MakeButton("bbSaveMidnam", ":/icons/midnam.svg",
                   QStringLiteral("Save the patch names as a MIDNAM file for DAWs"), this);
    midnam->setText(QStringLiteral("Save MIDNAM..."));
    midnam->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    midnam->setIconSize(QSize(24, 24));
    connect(midnam, &QToolButton::clicked, this, [this] { bbSaveMidnamClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(exit);
    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addWidget(midnam);
    right->addWidget(FCopied);
    right->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(listType, 0, Qt::AlignTop);
    top->addLayout(right);

    FText = new QPlainTextEdit(this);
    FText->setObjectName(QStringLiteral("mPatchList"));
    FText->setAccessibleName(QStringLiteral("Patch list"));
    FText->setLineWrapMode(QPlainTextEdit::NoWrap);
    FText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Names line up in columns only in a fixed-pitch font.
    FText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(FText, 1);
    resize(640, 600);

    connect(FTitle, &QLineEdit::returnPressed, this, [this] { rgListTypeClick(); });
    connect(FSeparator, &QLineEdit::returnPressed, this, [this] { rgListTypeClick(); });
}

TfPatchList::~TfPatchList() = default;

void TfPatchList::Open() {
    FModelName = FWorkspace.Synth().ModelName;
    FSynthName->setText(FromCp1252(FModelName));
    exec();
}

void TfPatchList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window brought back from a minimised state keeps the text the person may have edited.
    if (!event->spontaneous()) {
        rgListTypeClick();
    }
}

TListType TfPatchList::ListType() const {
    return static_cast<TListType>(std::max(0, FListType->checkedId()));
}

std::array<std::vector<std::string>, 4> TfPatchList::UserBankNames() const {
    std::array<std::vector<std::string>, 4> names;
    for (int b = 0; b < 4; ++b) {
        const TPatchBank& bank = FWorkspace.UserBank(b);
        std::vector<std::string>& bankNames = names[static_cast<size_t>(b)];
        bankNames.reserve(TPatchBank::SlotCount);
        for (int n = 0; n < TPatchBank::SlotCount; ++n) {
            bankNames.push_back(bank.Slot(n).Name());
        }
    }
    return names;
}

void TfPatchList::rgListTypeClick() {
    FCopied->hide();
    FSeparator->hide();
    FSeparatorLabel->hide();

    const TListType type = ListType();
    TPatchListInput input;
    input.Model = FModelName;
    input.Title = ToCp1252(FTitle->text());
    input.Separator = ToCp1252(FSeparator->text());
    input.Names = UserBankNames();
    QStringList lines;
    for (const std::string& line : PatchListLines(type, input)) {
        lines.push_back(FromCp1252(line));
    }
    FText->setPlainText(lines.join(QLatin1Char('\n')));
    if (type == TListType::Numbered) {
        FSeparator->show();
        FSeparatorLabel->show();
    }
    FSave = ListSaveSettings(type);

    FText->moveCursor(QTextCursor::Start);
    FText->ensureCursorVisible();
    // Every line with its line end, the last one too, as a text file holds it.
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    FCopied->show();
}

void TfPatchList::bbSaveBankClick() {
    const std::string title = ToCp1252(FTitle->text());
    std::vector<std::string> lines;
    const QString text = FText->toPlainText();
    if (!text.isEmpty()) {
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            lines.push_back(ToCp1252(line));
        }
    }
    // The save asks and reports through the dialogs alone; it needs nothing else of the run.
    TPatchContext ctx(FDialogs);
    SaveThroughDialog(ctx, FSave.Title, FSave.Filter, FStartDir,
                      ProposedListFileName(title, FSave.Filter), msg::BackupQuestion,
                      [&lines](TByteWriter& out) { out.Write(ListFileBytes(lines)); });
}

void TfPatchList::bbSaveMidnamClick() {
    const std::string model = FWorkspace.Synth().ModelName.empty() ? std::string("UNKNOWN")
                                                                   : FWorkspace.Synth().ModelName;
    const std::string text = MidnamDocument(model, WorkspaceMidnamBanks(FWorkspace));
    const std::string title = ToCp1252(FTitle->text());
    TPatchContext ctx(FDialogs);
    // The list's title names the file, as it names the lists.
    SaveThroughDialog(
        ctx, MidnamSaveTitle, MidnamFilter, FStartDir, ProposedListFileName(title, "") + ".midnam",
        msg::BackupQuestion, [&text](TByteWriter& out) {
            out.Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
        });
}

void TfPatchList::bbExitPatchListClick() {
    done(QDialog::Accepted);
}

} // namespace velcora
