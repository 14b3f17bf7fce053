#include "SetMidi.h"

#include "Teardown.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

namespace velcora {

namespace {

constexpr size_t PortIndex(TPort port) {
    return static_cast<size_t>(port);
}

constexpr TPort Ports[] = {TPort::SynthInput, TPort::SynthOutput, TPort::KbdInput};

const TPortStatus& PortOf(const TWorkspaceStatus& status, TPort port) {
    switch (port) {
    case TPort::SynthInput:
        return status.SynthInput;
    case TPort::SynthOutput:
        return status.SynthOutput;
    case TPort::KbdInput:
        break;
    }
    return status.KbdInput;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(text);
    // Enter in a pause field must not press a button.
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfSetMidi::TfSetMidi(TWorkspace& workspace, QWidget* parent)
    : QDialog(parent), FWorkspace(workspace) {
    setObjectName(QStringLiteral("fSetMidi"));
    setModal(false);
    setWindowTitle(QStringLiteral("Midi Setup"));
    BuildControls();
    for (TPort port : Ports) {
        for (const std::string& entry : FWorkspace.PortEntries(port)) {
            List(port)->addItem(QString::fromStdString(entry));
        }
    }
    FWorkspace.OpenSavedPorts();
    ShowChoices();
    setWindowTitle(QString::fromLatin1(Caption));
}

TfSetMidi::~TfSetMidi() {
    DetachChildren(*this);
    FWorkspace.WriteDeviceChoices();
}

void TfSetMidi::BuildControls() {
    auto* grid = new QGridLayout;
    const struct {
        TPort Port;
        const char* Name;
        const char* Label;
        const char* Accessible;
    } lists[] = {
        {TPort::SynthInput, "lbMidiIn", "From <- Synth", "MIDI input from the synth"},
        {TPort::SynthOutput, "lbMidiOut", "To -> Synth", "MIDI output to the synth"},
        {TPort::KbdInput, "lbKbdIn", "From <- Keyboard", "MIDI input from a keyboard"},
    };
    for (const auto& l : lists) {
        const int column = static_cast<int>(PortIndex(l.Port));
        auto* list = new QListWidget(this);
        list->setObjectName(QString::fromLatin1(l.Name));
        list->setAccessibleName(QString::fromLatin1(l.Accessible));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setMinimumSize(160, 120);
        auto* label = new QLabel(QString::fromLatin1(l.Label), this);
        label->setBuddy(list);
        grid->addWidget(label, 0, column);
        grid->addWidget(list, 1, column);
        FLists[PortIndex(l.Port)] = list;

        const TPort port = l.Port;
        // A keyboard move or a press on another entry changes the current row: that is the
        // person's choice (the program's own selections block the signal). A click on the
        // entry already chosen chooses it again, as a list box does.
        connect(list, &QListWidget::currentRowChanged, this, [this, port](int row) {
            FChosenOnPress[PortIndex(port)] = true;
            Choose(port, row);
        });
        connect(list, &QListWidget::itemClicked, this, [this, port](QListWidgetItem* item) {
            if (!FChosenOnPress[PortIndex(port)]) {
                Choose(port, List(port)->row(item));
            }
        });
        list->viewport()->installEventFilter(this);
    }

    const auto pauseField = [this](const char* name, const char* text, const char* initial) {
        auto* field = new QLineEdit(QString::fromLatin1(initial), this);
        field->setObjectName(QString::fromLatin1(name));
        field->setAccessibleName(QString::fromLatin1(text));
        field->setMaxLength(4);
        field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                               16);
        field->installEventFilter(this);
        return field;
    };
    FTimeBetweenSysex = pauseField("leTimeBetweenSysex", "Time Between Sysex (mS)", "40");
    FTimeBetweenPatches = pauseField("leTimeBetweenPatches", "Time Between Patches (mS)", "100");
    auto* pauses = new QGridLayout;
    int row = 0;
    for (QLineEdit* field : {FTimeBetweenSysex, FTimeBetweenPatches}) {
        auto* label = new QLabel(field->accessibleName(), this);
        label->setBuddy(field);
        pauses->addWidget(label, row, 0);
        pauses->addWidget(field, row, 1);
        ++row;
    }
    FCheckedSends =
        new QCheckBox(QStringLiteral("Checked sends (wait for the synth's acknowledgement)"), this);
    FCheckedSends->setObjectName(QStringLiteral("cbCheckedSends"));
    FCheckedSends->setAccessibleName(QStringLiteral("Checked sends"));
    FCheckedSends->setToolTip(
        QStringLiteral("Each packet sent waits for the synth to acknowledge it; a preset it did "
                       "not acknowledge is named at the end"));
    connect(FCheckedSends, &QCheckBox::clicked, this, [this](bool on) {
        FWorkspace.SetCheckedSends(on);
        FCheckedSends->setChecked(FWorkspace.Status().CheckedSends);
    });
    pauses->addWidget(FCheckedSends, row, 0, 1, 3);
    pauses->setColumnStretch(2, 1);
    connect(FTimeBetweenSysex, &QLineEdit::textChanged, this,
            [this] { PauseChanged(TPause::Sysex); });
    connect(FTimeBetweenPatches, &QLineEdit::textChanged, this,
            [this] { PauseChanged(TPause::Patches); });
    // A field left empty keeps its pause; once the person leaves it, it shows that pause.
    for (TPause pause : {TPause::Sysex, TPause::Patches}) {
        connect(Field(pause), &QLineEdit::editingFinished, this, [this, pause] {
            if (Field(pause)->text().isEmpty()) {
                const TWorkspaceStatus status = FWorkspace.Status();
                Field(pause)->setText(QString::number(
                    pause == TPause::Sysex ? status.TimeBetweenSysex : status.TimeBetweenPatches));
            }
        });
    }

    auto* checkId = MakeButton(this, "bCheckId", QStringLiteral("Look for Synth"));
    connect(checkId, &QPushButton::clicked, this, [this] { FWorkspace.bCheckIdClick(); });
    FSynthName = new QLabel(this);
    FSynthName->setObjectName(QStringLiteral("lSynthName"));
    FSynthName->setAccessibleName(QStringLiteral("Synth found"));
    FSynthName->setMinimumWidth(180);
    auto* blankFile = MakeButton(this, "bBlankFile", QStringLiteral("Select Blank FIle"));
    blankFile->setAccessibleName(QStringLiteral("Select Blank File"));
    connect(blankFile, &QPushButton::clicked, this, [this] { FWorkspace.bBlankFileClick(); });
    FBlankFile = new QLabel(QString::fromStdString(FWorkspace.Status().BlankName), this);
    FBlankFile->setObjectName(QStringLiteral("lBlankFile"));
    FBlankFile->setAccessibleName(QStringLiteral("Blank file"));
    auto* search = new QGridLayout;
    search->addWidget(checkId, 0, 0);
    search->addWidget(FSynthName, 0, 1);
    search->addWidget(blankFile, 1, 0);
    search->addWidget(FBlankFile, 1, 1);
    search->setColumnStretch(1, 1);

    auto* exit = new QToolButton(this);
    exit->setObjectName(QStringLiteral("bbExit"));
    exit->setIcon(QIcon(QStringLiteral(":/velcora/icons/exit.svg")));
    exit->setIconSize(QSize(32, 32));
    exit->setAccessibleName(QStringLiteral("Exit"));
    exit->setToolTip(QStringLiteral("Exit"));
    connect(exit, &QToolButton::clicked, this, &QWidget::hide);

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(pauses, 1);
    bottom->addSpacing(16);
    bottom->addLayout(search, 1);
    bottom->addWidget(exit, 0, Qt::AlignBottom);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid, 1);
    main->addLayout(bottom);
}

QListWidget* TfSetMidi::List(TPort port) const {
    return FLists[PortIndex(port)];
}

QLineEdit* TfSetMidi::Field(TPause pause) const {
    return pause == TPause::Sysex ? FTimeBetweenSysex : FTimeBetweenPatches;
}

void TfSetMidi::Choose(TPort port, int entry) {
    if (entry < 0) {
        return;
    }
    switch (port) {
    case TPort::SynthInput:
        FWorkspace.lbMidiInClick(entry);
        break;
    case TPort::SynthOutput:
        FWorkspace.lbMidiOutClick(entry);
        break;
    case TPort::KbdInput:
        FWorkspace.lbKbdInClick(entry);
        break;
    }
    ShowChoices();
}

void TfSetMidi::ShowChoices() {
    const TWorkspaceStatus status = FWorkspace.Status();
    for (TPort port : Ports) {
        QListWidget* list = List(port);
        const QSignalBlocker blocker(list);
        list->setCurrentRow(PortOf(status, port).Entry);
    }
}

void TfSetMidi::ChooseDevices(const std::string& input, const std::string& output) {
    for (const auto& [port, text] :
         {std::pair{TPort::SynthInput, input}, std::pair{TPort::SynthOutput, output}}) {
        const int entry = TWorkspace::EntryIndex(FWorkspace.ShownEntries(port), text);
        {
            const QSignalBlocker blocker(List(port));
            List(port)->setCurrentRow(entry);
        }
        Choose(port, entry);
    }
}

void TfSetMidi::ShowSetupSynth(const std::string& synthName) {
    FSynthName->setText(QString::fromStdString(synthName));
}

void TfSetMidi::ShowSetupBlankName(const std::string& blankName) {
    FBlankFile->setText(QString::fromStdString(blankName));
}

void TfSetMidi::ShowSetupTimes(int timeBetweenSysex, int timeBetweenPatches) {
    FTimeBetweenSysex->setText(QString::number(timeBetweenSysex));
    FTimeBetweenPatches->setText(QString::number(timeBetweenPatches));
    FCheckedSends->setChecked(FWorkspace.Status().CheckedSends);
}

std::string TfSetMidi::PauseDigits(const std::string& text) {
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                 [](char c) { return c >= '0' && c <= '9'; });
    return digits;
}

void TfSetMidi::PauseChanged(TPause pause) {
    QLineEdit* field = Field(pause);
    const std::string text = field->text().toStdString();
    const std::string digits = PauseDigits(text);
    if (digits != text) {
        // The cursor stays after the same digits it followed.
        const int cursor = static_cast<int>(
            PauseDigits(field->text().left(field->cursorPosition()).toStdString()).size());
        const QSignalBlocker blocker(field);
        field->setText(QString::fromStdString(digits));
        field->setCursorPosition(cursor);
    }
    // An empty field is a number still being typed: the pause stays as it was.
    if (digits.empty()) {
        return;
    }
    const int milliseconds = std::stoi(digits);
    if (pause == TPause::Sysex) {
        FWorkspace.SetTimeBetweenSysex(milliseconds);
    } else {
        FWorkspace.SetTimeBetweenPatches(milliseconds);
    }
}

bool TfSetMidi::PauseKeyAllowed(const QKeyEvent& key) {
    if (key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9) {
        return true;
    }
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    if (key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Copy) ||
        key.matches(QKeySequence::Cut) || key.matches(QKeySequence::Undo) ||
        key.matches(QKeySequence::SelectAll)) {
        return true;
    }
    // Other typed characters reach the field and the change rule takes them out again; keys
    // that only move or delete (Delete, the arrows, Home, End) do nothing.
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool TfSetMidi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == FTimeBetweenSysex || watched == FTimeBetweenPatches)) {
        return !PauseKeyAllowed(*static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (TPort port : Ports) {
            if (watched == List(port)->viewport()) {
                FChosenOnPress[PortIndex(port)] = false;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfSetMidi::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        const TWorkspaceStatus status = FWorkspace.Status();
        ShowSetupTimes(status.TimeBetweenSysex, status.TimeBetweenPatches);
    }
}

} // namespace velcora
