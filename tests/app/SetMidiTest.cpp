// The MIDI setup dialog driven as a person drives it: clicks on the device lists, keys typed
// into the pause fields, its buttons; what it shows and what reaches the settings file.
#include "VirtualSynthWorkspace.h"
#include "WindowTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TWidgetApp);

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

class SetMidiTest : public TVirtualSynthWorkspace {
protected:
    ~SetMidiTest() override {
        Windows.Setup = nullptr;
        Setup.reset();
    }
    void MakeDialog() {
        Ws = std::make_unique<TWorkspace>(Dialogs, Windows, IniPath(), Dir.Path(), Dir.Path(),
                                          &Driver);
        Setup = std::make_unique<TfSetMidi>(*Ws);
        Windows.Setup = Setup.get();
    }
    void ShowDialog() {
        Setup->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Setup.get()));
    }
    /// Closes the dialog and the workspace, and forgets the settings: a fresh start.
    void Restart() {
        Windows.Setup = nullptr;
        Setup.reset();
        Ws.reset();
        std::remove(IniPath().c_str());
    }

    template <typename T> T* Child(const char* name) const {
        T* child = Setup->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QListWidget* List(TPort port) const {
        return Child<QListWidget>(port == TPort::SynthInput    ? "lbMidiIn"
                                  : port == TPort::SynthOutput ? "lbMidiOut"
                                                               : "lbKbdIn");
    }
    QLineEdit* SysexField() const { return Child<QLineEdit>("leTimeBetweenSysex"); }
    QLineEdit* PatchesField() const { return Child<QLineEdit>("leTimeBetweenPatches"); }
    QString SynthName() const { return Child<QLabel>("lSynthName")->text(); }

    /// A click on an entry of a list, as the mouse makes it.
    void Click(TPort port, int entry) {
        QListWidget* list = List(port);
        ASSERT_LT(entry, list->count());
        list->scrollToItem(list->item(entry));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(entry)).center());
    }
    void Click(const char* button) {
        QAbstractButton* b = Child<QAbstractButton>(button);
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    }
    int Shown(TPort port) const { return List(port)->currentRow(); }
    /// The search has run its course: the edit buffer it asks for has come.
    bool EditBufferCame() {
        return PumpUntil(
            [&] {
                const std::string name =
                    Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
                return Windows.EditCategory + ":" + Windows.EditName ==
                       name.substr(0, 3) + ":" + name.substr(4);
            },
            std::chrono::seconds(20));
    }
    bool Found() {
        return PumpUntil([&] { return SynthName() == "Proteus 2000 (0)"; },
                         std::chrono::seconds(20));
    }
    std::string SettingsText() const {
        std::ifstream in(IniPath());
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string KeyOf(TPort port) {
        return port == TPort::SynthInput    ? "Input"
               : port == TPort::SynthOutput ? "Output"
                                            : "KbdInput";
    }

    TWindowView Windows;
    std::unique_ptr<TfSetMidi> Setup;

    const int None = 3; ///< synth, keyboard, busy port, "None"
    const int KeyboardEntry = 1;
    const std::string KbdQuestion = "The keyboard has this device.\nReset the keyboard?";
    const std::string InputQuestion = "The Midi input has this device.\nReset the Midi Input?";
};

} // namespace

TEST(SetMidiPauseDigits, KeepsTheDigitsInTheirOrder) {
    const struct {
        const char* Text;
        const char* Digits;
    } cases[] = {
        {"12a3", "123"},
        {"", ""},
        {"abc", ""},
        {"0", "0"},
        {"0040", "0040"},
        {" 7 ", "7"},
        {"-5", "5"},
        {"1.5", "15"},
        {"9999", "9999"},
        {"\xb2"
         "1",
         "1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TfSetMidi::PauseDigits(c.Text), c.Digits) << "'" << c.Text << "'";
    }
}

TEST_F(SetMidiTest, ShowsItsCaptionListsAndInitialFields) {
    MakeDialog();
    EXPECT_EQ(Setup->windowTitle().toStdString(), "Midi Setup  (Velcora Version 1.2.01)");
    EXPECT_FALSE(Setup->isModal());
    for (TPort port : {TPort::SynthInput, TPort::SynthOutput, TPort::KbdInput}) {
        QListWidget* list = List(port);
        std::vector<std::string> entries;
        for (int i = 0; i < list->count(); ++i) {
            entries.push_back(list->item(i)->text().toStdString());
        }
        EXPECT_EQ(entries, (std::vector<std::string>{SynthPort, KeyboardPort, BusyPort, "None"}))
            << KeyOf(port);
        EXPECT_EQ(Shown(port), None) << "nothing saved: " << KeyOf(port);
    }
    EXPECT_EQ(SysexField()->text(), "40");
    EXPECT_EQ(PatchesField()->text(), "100");
    EXPECT_EQ(SysexField()->maxLength(), 4);
    EXPECT_EQ(PatchesField()->maxLength(), 4);
    EXPECT_EQ(Child<QAbstractButton>("bCheckId")->text(), "Look for Synth");
    EXPECT_EQ(Child<QAbstractButton>("bBlankFile")->text(), "Select Blank FIle");

    std::vector<QString> labels;
    for (const QLabel* label : Setup->findChildren<QLabel*>()) {
        labels.push_back(label->text());
    }
    for (const char* text : {"From <- Synth", "To -> Synth", "From <- Keyboard",
                             "Time Between Sysex (mS)", "Time Between Patches (mS)"}) {
        EXPECT_NE(std::find(labels.begin(), labels.end(), QString::fromLatin1(text)), labels.end())
            << text;
    }
    for (const QWidget* control : Setup->findChildren<QWidget*>()) {
        if (qobject_cast<const QAbstractButton*>(control) != nullptr ||
            qobject_cast<const QListWidget*>(control) != nullptr ||
            qobject_cast<const QLineEdit*>(control) != nullptr) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
    }
}

TEST_F(SetMidiTest, TheSavedDevicesAreSelectedWhateverTheirLetterCase) {
    {
        TIniFile ini(IniPath());
        ini.WriteString("MidiDevices", "Input", Lower(SynthPort));
        ini.WriteString("MidiDevices", "Output", Upper(SynthPort));
        ini.WriteString("MidiDevices", "KbdInput", "Gone Device");
    }
    MakeDialog();
    EXPECT_EQ(Shown(TPort::SynthInput), 0);
    EXPECT_EQ(Shown(TPort::SynthOutput), 0);
    EXPECT_EQ(Shown(TPort::KbdInput), None);
    EXPECT_TRUE(Ws->Status().SynthInput.Open);
    EXPECT_TRUE(Ws->Status().SynthOutput.Open);
    EXPECT_EQ(Ini("MidiDevices", "KbdInput"), "None");
    ASSERT_TRUE(Found()) << "creation looks for the synth";
    EXPECT_EQ(SysexField()->text(), "40");
    EXPECT_EQ(PatchesField()->text(), "400") << "the identified synth's pauses";
}

TEST_F(SetMidiTest, ClickingEntriesChoosesTheDevices) {
    MakeDialog();
    ShowDialog();
    Click(TPort::SynthOutput, 0);
    Click(TPort::SynthInput, 0);
    ASSERT_TRUE(Found());
    Click(TPort::KbdInput, KeyboardEntry);
    const TWorkspaceStatus s = Ws->Status();
    EXPECT_TRUE(s.SynthInput.Open);
    EXPECT_TRUE(s.SynthOutput.Open);
    EXPECT_TRUE(s.KbdInput.Open);
    EXPECT_EQ(Ini("MidiDevices", "Input"), SynthPort);
    EXPECT_EQ(Ini("MidiDevices", "Output"), SynthPort);
    EXPECT_EQ(Ini("MidiDevices", "KbdInput"), KeyboardPort);
    SaveScreenshot(*Setup, "setmidi.png");

    // A keyboard move chooses too, as a list box's click does.
    List(TPort::KbdInput)->setFocus();
    QTest::keyClick(List(TPort::KbdInput), Qt::Key_End);
    EXPECT_EQ(Ws->Status().KbdInput.Device, -1);
    EXPECT_EQ(Ini("MidiDevices", "KbdInput"), "None");

    for (TPort port : {TPort::SynthInput, TPort::SynthOutput}) {
        SCOPED_TRACE(KeyOf(port));
        Click(port, None);
        EXPECT_EQ(Shown(port), None);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(port)), "None");
    }
    EXPECT_FALSE(Ws->Status().SynthInput.Open);
    EXPECT_FALSE(Ws->Status().SynthOutput.Open);
}

TEST_F(SetMidiTest, TheKeyboardAndTheSynthInputAskBeforeSharingADevice) {
    const struct {
        const char* Name;
        TPort Holder;
        TPort Chosen;
        TAnswer Answer;
    } cases[] = {
        {"synth input takes it", TPort::KbdInput, TPort::SynthInput, TAnswer::Yes},
        {"synth input leaves it", TPort::KbdInput, TPort::SynthInput, TAnswer::No},
        {"keyboard takes it", TPort::SynthInput, TPort::KbdInput, TAnswer::Yes},
        {"keyboard leaves it", TPort::SynthInput, TPort::KbdInput, TAnswer::No},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MakeDialog();
        ShowDialog();
        Click(c.Holder, KeyboardEntry);
        ASSERT_EQ(Shown(c.Holder), KeyboardEntry);
        Dialogs.ExpectMessage(TMessageKind::Error,
                              c.Chosen == TPort::SynthInput ? KbdQuestion : InputQuestion,
                              c.Answer);
        Click(c.Chosen, KeyboardEntry);
        ASSERT_TRUE(Dialogs.ScriptDone());

        const bool taken = c.Answer == TAnswer::Yes;
        // No puts the old entry back in the list clicked; Yes moves the other list to "None".
        EXPECT_EQ(Shown(c.Chosen), taken ? KeyboardEntry : None);
        EXPECT_EQ(Shown(c.Holder), taken ? None : KeyboardEntry);
        const TWorkspaceStatus s = Ws->Status();
        EXPECT_EQ((c.Chosen == TPort::SynthInput ? s.SynthInput : s.KbdInput).Open, taken);
        EXPECT_EQ((c.Holder == TPort::SynthInput ? s.SynthInput : s.KbdInput).Open, !taken);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(c.Holder)), taken ? "None" : KeyboardPort);
        Restart();
    }
}

TEST_F(SetMidiTest, PauseFieldsKeepOnlyDigits) {
    MakeDialog();
    ShowDialog();
    const struct {
        const char* Name;
        const char* Start;
        int Cursor; ///< -1: at the end
        std::vector<Qt::Key> Keys;
        const char* Text;
        int Pause; ///< the pause after the keys
    } cases[] = {
        {"letters typed are taken out",
         "",
         -1,
         {Qt::Key_1, Qt::Key_2, Qt::Key_A, Qt::Key_3},
         "123",
         123},
        {"the cursor keys do nothing", "40", -1, {Qt::Key_Left, Qt::Key_5}, "405", 405},
        {"Home does nothing", "40", -1, {Qt::Key_Home, Qt::Key_7}, "407", 407},
        {"Delete does nothing", "40", 0, {Qt::Key_Delete}, "40", 40},
        {"Backspace deletes", "40", -1, {Qt::Key_Backspace}, "4", 4},
        {"an emptied field keeps the pause",
         "40",
         -1,
         {Qt::Key_Backspace, Qt::Key_Backspace},
         "",
         4},
        {"at most four characters", "1234", -1, {Qt::Key_5}, "1234", 1234},
        {"a letter in the middle", "12", 1, {Qt::Key_X, Qt::Key_9}, "192", 192},
        {"zero is a pause", "7", -1, {Qt::Key_Backspace, Qt::Key_0}, "0", 0},
    };
    for (QLineEdit* field : {SysexField(), PatchesField()}) {
        const bool sysex = field == SysexField();
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(sysex ? "Sysex: " : "Patches: ") + c.Name);
            field->setText(QString::fromLatin1(c.Start));
            if (c.Cursor >= 0) {
                field->setCursorPosition(c.Cursor);
            }
            field->setFocus();
            for (Qt::Key key : c.Keys) {
                QTest::keyClick(field, key);
            }
            EXPECT_EQ(field->text().toStdString(), c.Text);
            const TWorkspaceStatus s = Ws->Status();
            EXPECT_EQ(sysex ? s.TimeBetweenSysex : s.TimeBetweenPatches, c.Pause);
        }
    }
    EXPECT_EQ(SettingsText().find("TimeBetween"), std::string::npos)
        << "no synth section before identification";

    // A field left empty shows the pause it kept.
    SysexField()->setText("25");
    SysexField()->setFocus();
    QTest::keyClick(SysexField(), Qt::Key_Backspace);
    QTest::keyClick(SysexField(), Qt::Key_Backspace);
    QTest::keyClick(SysexField(), Qt::Key_Return);
    EXPECT_EQ(SysexField()->text(), "2");
    EXPECT_EQ(Ws->Status().TimeBetweenSysex, 2);
}

TEST_F(SetMidiTest, PausesAreWrittenOnceTheSynthIsKnownAndShownWithTheDialog) {
    MakeDialog();
    Setup->ChooseDevices(Lower(SynthPort), Upper(SynthPort));
    EXPECT_EQ(Shown(TPort::SynthInput), 0);
    EXPECT_EQ(Shown(TPort::SynthOutput), 0);
    EXPECT_EQ(Ini("MidiDevices", "Input"), SynthPort);
    EXPECT_EQ(Ini("MidiDevices", "Output"), SynthPort);
    ASSERT_TRUE(Found());
    ASSERT_TRUE(EditBufferCame());
    // The section's pauses: 40 already showed in the SysEx field.
    EXPECT_EQ(SysexField()->text(), "40");
    EXPECT_EQ(PatchesField()->text(), "400");

    ShowDialog();
    SysexField()->setFocus();
    QTest::keyClick(SysexField(), Qt::Key_Backspace);
    QTest::keyClicks(SysexField(), "5");
    PatchesField()->setFocus();
    QTest::keyClicks(PatchesField(), "0");
    EXPECT_EQ(Ini("Proteus 2000_0", "TimeBetweenSysex"), "45");
    EXPECT_EQ(Ini("Proteus 2000_0", "TimeBetweenPatches"), "4000");

    // Showing the dialog again writes the fields from the pauses in use.
    Setup->hide();
    Ws->SetTimeBetweenSysex(15);
    Ws->SetTimeBetweenPatches(250);
    ShowDialog();
    EXPECT_EQ(SysexField()->text(), "15");
    EXPECT_EQ(PatchesField()->text(), "250");
}

TEST_F(SetMidiTest, TheButtonsSearchChooseTheBlankFileAndHide) {
    MakeDialog();
    ShowDialog();
    Setup->ChooseDevices(SynthPort, SynthPort);
    ASSERT_TRUE(Found());
    ASSERT_TRUE(EditBufferCame());

    Click("bCheckId");
    EXPECT_EQ(SynthName(), "") << "emptied until the synth answers";
    ASSERT_TRUE(Found());

    Dialogs.ExpectOpen("Select Patch File as the Default patch", "");
    Click("bBlankFile");
    ASSERT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(Child<QLabel>("lBlankFile")->text(), "");

    EXPECT_FALSE(Child<QToolButton>("bbExit")->icon().isNull());
    Click("bbExit");
    EXPECT_FALSE(Setup->isVisible());
}

TEST_F(SetMidiTest, ADeviceThatFailsToOpenIsWrittenWhenTheDialogGoes) {
    MakeDialog();
    ShowDialog();
    Click(TPort::SynthInput, KeyboardEntry);
    ASSERT_EQ(Ini("MidiDevices", "Input"), KeyboardPort);
    Dialogs.ExpectMessage(TMessageKind::Error,
                          "The MIDI device is already in use by another program.");
    Click(TPort::SynthInput, 2);
    ASSERT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(Shown(TPort::SynthInput), 2) << "chosen, though closed";
    EXPECT_FALSE(Ws->Status().SynthInput.Open);
    EXPECT_EQ(Ini("MidiDevices", "Input"), KeyboardPort);
    Windows.Setup = nullptr;
    Setup.reset();
    EXPECT_EQ(Ini("MidiDevices", "Input"), BusyPort);
}

TEST_F(SetMidiTest, TheCheckedSendsBoxShowsAndSetsTheSynthsSendMode) {
    MakeDialog();
    auto* box = Child<QCheckBox>("cbCheckedSends");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->accessibleName(), "Checked sends");
    EXPECT_FALSE(box->isChecked());
    Setup->ChooseDevices(SynthPort, SynthPort);
    ASSERT_TRUE(Found());
    ASSERT_TRUE(EditBufferCame());
    ShowDialog();
    EXPECT_FALSE(box->isChecked()) << "off until chosen for this synth";

    Click("cbCheckedSends");
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(Ws->Status().CheckedSends);
    EXPECT_EQ(Ini("Proteus 2000_0", "CheckedSends"), "1");

    // The mode changed elsewhere shows when the dialog shows again.
    Setup->hide();
    Ws->SetCheckedSends(false);
    ShowDialog();
    EXPECT_FALSE(box->isChecked());
    Click("cbCheckedSends");
    Click("cbCheckedSends");
    EXPECT_FALSE(Ws->Status().CheckedSends);
    EXPECT_EQ(Ini("Proteus 2000_0", "CheckedSends"), "0");
}
