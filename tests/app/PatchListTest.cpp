// The patch list window driven as a person drives it, beside the in-process virtual synth:
// the list types clicked, titles and separators typed with and without Enter, the clipboard,
// the saved file's bytes and the backup question, the state kept between openings.
#include "PatchList.h"

#include "PatchMessages.h"
#include "SafeFile.h"
#include "VirtualSynthWorkspace.h"
#include "WindowTestSupport.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QXmlStreamReader>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TWidgetApp);

const std::string Plain0 = ";------  List of Proteus 2000 User Patches  -----------------";
const std::string Numbered0 = ";------  Numbered Proteus 2000 User Patch File -----------------";
const std::string BackupQuestion =
    "   File exists !\n\nShall I make a backup? (*.BAK)\n\n(NO to overwrite)";
const std::string Cakewalk0 =
    ";------  Cakewalk Proteus 2000 ins File for User Patches -----------------";

class PatchListTest : public TVirtualSynthWorkspace {
protected:
    void SetUp() override {
        Connect();
        // A few names to find again in the lists; the other slots hold the blank patch.
        Rename(0, 0, "Pad:Warm Strings");
        Rename(1, 17, "Bas:Deep Sub    ");
        Rename(3, 127, "Syn:Last One    ");
        Window = std::make_unique<TfPatchList>(*Ws, Dialogs);
    }
    void TearDown() override { Window.reset(); }

    void Rename(int bank, int slot, const std::string& name) {
        Ws->UserBank(bank).Slot(slot).SetName(name, Ws->Context().Sizes);
    }
    /// A slot's cached name, which a list writes unchanged, its trailing blanks included.
    std::string NameIn(int bank, int slot) const {
        const std::string name = Ws->UserBank(bank).Slot(slot).Name();
        EXPECT_GE(name.size(), 16u);
        return name;
    }
    /// Opens the window as the bank panel's button does, runs act while it is up, and closes
    /// it (act may close it itself).
    void WhileOpen(const std::function<void()>& act) {
        QTimer::singleShot(0, Window.get(), [&] {
            act();
            if (Window->isVisible()) {
                Window->done(QDialog::Rejected);
            }
        });
        Window->Open();
    }

    template <typename T> T* Child(const char* name) const {
        T* child = Window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QPlainTextEdit* Text() const { return Child<QPlainTextEdit>("mPatchList"); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const QString& line : Text()->toPlainText().split(QLatin1Char('\n'))) {
            lines.push_back(line.toStdString());
        }
        return lines;
    }
    static std::string Clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }
    bool CopiedShown() const { return Child<QLabel>("lClipboadLoaded")->isVisible(); }
    bool SeparatorShown() const {
        return Child<QLineEdit>("eSeparator")->isVisible() &&
               Child<QLabel>("lSeparator")->isVisible();
    }
    void ChooseType(const QString& item) {
        for (QRadioButton* radio : Child<QGroupBox>("rgListType")->findChildren<QRadioButton*>()) {
            if (radio->text() == item) {
                QTest::mouseClick(radio, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no list type " << item.toStdString();
    }
    /// Replaces a field's text by typing, without pressing Enter.
    void Type(const char* field, const QString& text) {
        QLineEdit* edit = Child<QLineEdit>(field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void PressEnter(const char* field) { QTest::keyClick(Child<QLineEdit>(field), Qt::Key_Return); }
    void ClickSave() { QTest::mouseClick(Child<QToolButton>("bbSaveBank"), Qt::LeftButton); }

    static std::string Crlf(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\r\n";
        }
        return text;
    }
    static std::string FileText(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        return {bytes.begin(), bytes.end()};
    }

    std::unique_ptr<TfPatchList> Window;
};

TEST_F(PatchListTest, OpeningShowsThePlainListOfTheFourUserBanksAndCopiesIt) {
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    WhileOpen([&] {
        EXPECT_EQ(Window->windowTitle().toStdString(), "Patch List");
        EXPECT_EQ(Child<QLabel>("lSynthName")->text().toStdString(), "Proteus 2000");
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(lines.size(), 536u);
        EXPECT_EQ(lines[0], Plain0);
        EXPECT_EQ(lines[12], "[Proteus 2000 : User - Bank 0 ]");
        EXPECT_EQ(lines[13], NameIn(0, 0));
        EXPECT_EQ(lines[13].substr(0, 16), "Pad:Warm Strings");
        EXPECT_EQ(lines[12 + 131], "[Proteus 2000 : User - Bank 1 ]");
        EXPECT_EQ(lines[12 + 131 + 1 + 17], NameIn(1, 17));
        EXPECT_EQ(lines[12 + 131 + 1 + 17].substr(0, 16), "Bas:Deep Sub    ");
        EXPECT_EQ(lines[12 + 3 * 131 + 128], NameIn(3, 127));
        EXPECT_EQ(lines[12 + 2 * 131 + 1], NameIn(2, 0));
        EXPECT_EQ(lines[534], "");
        EXPECT_EQ(lines[535], "");
        // The clipboard holds every line with its line end, as a file would.
        EXPECT_EQ(Clipboard(), Text()->toPlainText().toStdString() + "\n");
        EXPECT_TRUE(CopiedShown());
        EXPECT_FALSE(SeparatorShown());
        EXPECT_EQ(Text()->textCursor().position(), 0);
        EXPECT_FALSE(Text()->textCursor().hasSelection());
    });
}

TEST_F(PatchListTest, EachListTypeGivesItsLayoutAndShowsTheSeparatorOnlyWhenNumbered) {
    struct TCase {
        QString Item;
        size_t Lines;
        std::string First;
        size_t Bank1Slot17Line;
        std::string Bank1Slot17;
        std::string Last;
        bool Separator;
    };
    const TCase cases[] = {
        {QStringLiteral("Numbered"), 527, Numbered0, 3 + 131 + 1 + 17, "17:", "", true},
        {QStringLiteral("Cakewalk *.ins"), 536, Cakewalk0, 4 + 131 + 1 + 17,
         "17=", "Patch[*]=0..127", false},
        {QStringLiteral("Numbered"), 527, Numbered0, 3 + 131 + 1 + 17, "17:", "", true},
        {QStringLiteral("Plain List"), 536, Plain0, 12 + 131 + 1 + 17, "", "", false},
    };
    WhileOpen([&] {
        for (const TCase& c : cases) {
            QGuiApplication::clipboard()->setText(QStringLiteral("old"));
            ChooseType(c.Item);
            const std::vector<std::string> lines = Lines();
            ASSERT_EQ(lines.size(), c.Lines) << c.Item.toStdString();
            EXPECT_EQ(lines.front(), c.First) << c.Item.toStdString();
            EXPECT_EQ(lines[c.Bank1Slot17Line], c.Bank1Slot17 + NameIn(1, 17))
                << c.Item.toStdString();
            EXPECT_EQ(lines.back(), c.Last) << c.Item.toStdString();
            EXPECT_EQ(SeparatorShown(), c.Separator) << c.Item.toStdString();
            EXPECT_EQ(Clipboard(), Text()->toPlainText().toStdString() + "\n")
                << c.Item.toStdString();
            EXPECT_TRUE(CopiedShown());
            SaveScreenshot(*Window,
                           "patch-list-" + c.Item.left(4).toLower().toStdString() + ".png");
        }
    });
}

TEST_F(PatchListTest, CakewalkListEndsWithTheInstrumentDefinition) {
    WhileOpen([&] {
        ChooseType(QStringLiteral("Cakewalk *.ins"));
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(lines.size(), 536u);
        EXPECT_EQ(lines[4], "[Proteus 2000 : User - Bank 0]");
        EXPECT_EQ(lines[5], "0=" + NameIn(0, 0));
        const std::vector<std::string> tail(lines.end() - 6, lines.end());
        EXPECT_EQ(tail, (std::vector<std::string>{
                            "[E-MU Proteus 2000 - User ]", "Patch[0]=Proteus 2000 : User - Bank 0",
                            "Patch[1]=Proteus 2000 : User - Bank 1",
                            "Patch[2]=Proteus 2000 : User - Bank 2",
                            "Patch[3]=Proteus 2000 : User - Bank 3", "Patch[*]=0..127"}));
    });
}

TEST_F(PatchListTest, TypedTextCountsOnlyAfterEnter) {
    WhileOpen([&] {
        ChooseType(QStringLiteral("Numbered"));
        const std::string before = Text()->toPlainText().toStdString();

        // Typing alone changes nothing: neither the text nor the clipboard.
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        Type("eListTitle", QStringLiteral(" My Song "));
        Type("eSeparator", QStringLiteral(" - "));
        EXPECT_EQ(Text()->toPlainText().toStdString(), before);
        EXPECT_EQ(Clipboard(), "old");

        PressEnter("eSeparator");
        std::vector<std::string> lines = Lines();
        ASSERT_EQ(lines.size(), 527u);
        EXPECT_EQ(lines[0],
                  ";------  Numbered Proteus 2000  My Song  Patch File -----------------");
        EXPECT_EQ(lines[3], "[Proteus 2000 :  My Song  - Bank 0 ]");
        EXPECT_EQ(lines[4], "0 - " + NameIn(0, 0));
        EXPECT_EQ(Clipboard(), Text()->toPlainText().toStdString() + "\n");

        // An empty separator glues number and name; Enter in the title regenerates too.
        Type("eSeparator", QString());
        Type("eListTitle", QStringLiteral("Gig"));
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        PressEnter("eListTitle");
        lines = Lines();
        ASSERT_EQ(lines.size(), 527u);
        EXPECT_EQ(lines[3], "[Proteus 2000 : Gig - Bank 0 ]");
        EXPECT_EQ(lines[4], "0" + NameIn(0, 0));
        EXPECT_EQ(Clipboard(), Text()->toPlainText().toStdString() + "\n");
        // Enter is the fields' own: the window stays open.
        EXPECT_TRUE(Window->isVisible());
    });
}

TEST_F(PatchListTest, ChoicesLastBetweenOpeningsAndEachOpeningReadsTheBanksAgain) {
    WhileOpen([&] {
        ChooseType(QStringLiteral("Numbered"));
        Type("eListTitle", QStringLiteral("Gig"));
        Type("eSeparator", QStringLiteral("."));
        QTest::mouseClick(Child<QToolButton>("bbExitPatchList"), Qt::LeftButton);
        EXPECT_FALSE(Window->isVisible());
    });
    Rename(0, 0, "Ld :Renamed     ");
    WhileOpen([&] {
        EXPECT_EQ(Child<QLineEdit>("eListTitle")->text().toStdString(), "Gig");
        EXPECT_TRUE(SeparatorShown());
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(lines.size(), 527u);
        EXPECT_EQ(lines[3], "[Proteus 2000 : Gig - Bank 0 ]");
        EXPECT_EQ(lines[4], "0." + NameIn(0, 0));
        EXPECT_EQ(lines[4].substr(0, 18), "0.Ld :Renamed     ");
    });
}

TEST_F(PatchListTest, SaveWritesTheTextAreaAsItIsWithCrLf) {
    const std::string path = Dir.File("Gig.txt");
    WhileOpen([&] {
        ChooseType(QStringLiteral("Numbered"));
        Type("eListTitle", QStringLiteral("  Gig  "));
        PressEnter("eListTitle");
        // The person's own edit is what gets saved.
        QPlainTextEdit* text = Text();
        text->setFocus();
        text->moveCursor(QTextCursor::Start);
        QTest::keyClicks(text, QStringLiteral("; mine"));
        QTest::keyClick(text, Qt::Key_Return);
        Dialogs.ExpectSave("Save Patch List File", path);
        ClickSave();
    });
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    const TShownDialog& shown = Dialogs.Shown()[0];
    EXPECT_EQ(shown.Filter, "Text files (*.txt)|*.TXT");
    EXPECT_EQ(shown.FileName, "Gig.txt");
    EXPECT_EQ(shown.Folder, QDir::currentPath().toStdString() + "/");

    const std::string saved = FileText(path);
    const std::string start =
        "; mine\r\n;------  Numbered Proteus 2000   Gig   Patch File -----------------\r\n\r\n\r\n"
        "[Proteus 2000 :   Gig   - Bank 0 ]\r\n0:";
    EXPECT_EQ(saved.substr(0, start.size()), start);
    EXPECT_NE(saved.find("\r\n[Proteus 2000 :   Gig   - Bank 3 ]\r\n0:"), std::string::npos);
    const std::string end = "\r\n127:" + NameIn(3, 127) + "\r\n\r\n\r\n";
    EXPECT_EQ(saved.substr(saved.size() - end.size()), end);
    size_t lineEnds = 0;
    for (size_t i = 0; i + 1 < saved.size(); ++i) {
        lineEnds += saved.compare(i, 2, "\r\n") == 0 ? 1 : 0;
    }
    EXPECT_EQ(lineEnds, 528u);
    EXPECT_EQ(saved.find('\n'), saved.find("\r\n") + 1) << "no bare line feed";
}

TEST_F(PatchListTest, CakewalkSavesAnInsFileWithItsOwnTitleAndFilter) {
    const std::string path = Dir.File("Song.ins");
    WhileOpen([&] {
        ChooseType(QStringLiteral("Cakewalk *.ins"));
        Type("eListTitle", QStringLiteral("Song "));
        PressEnter("eListTitle");
        Dialogs.ExpectSave("Save Cackwalk ins File", path);
        ClickSave();
        EXPECT_EQ(FileText(path), Crlf(Lines()));
    });
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(Dialogs.Shown()[0].Filter, "Cakewalk Instrument files (*.ins)|*.INS");
    EXPECT_EQ(Dialogs.Shown()[0].FileName, "Song.ins");
    const std::string start =
        ";------  Cakewalk Proteus 2000 ins File for Song  Patches -----------------\r\n\r\n"
        ".Patch Names\r\n\r\n[Proteus 2000 : Song  - Bank 0]\r\n0=";
    EXPECT_EQ(FileText(path).substr(0, start.size()), start);
}

TEST_F(PatchListTest, SavingOverAnExistingFileAsksAboutABackup) {
    const std::string path = Dir.File("User.txt");
    const std::string bak = Dir.File("User.BAK");
    const std::string old = "old list\r\n";
    struct TCase {
        TAnswer Answer;
        bool NewSaved;
        bool OldInBak;
    };
    const TCase cases[] = {
        {TAnswer::Cancel, false, false},
        {TAnswer::Yes, true, true},
        {TAnswer::No, true, false},
    };
    WhileOpen([&] {
        for (const TCase& c : cases) {
            std::remove(bak.c_str());
            WriteBytes(path, {old.begin(), old.end()});
            Dialogs.ExpectSave("Save Patch List File", path);
            Dialogs.ExpectMessage(TMessageKind::Confirmation, BackupQuestion, c.Answer);
            ClickSave();
            const int answer = static_cast<int>(c.Answer);
            EXPECT_EQ(FileText(path), c.NewSaved ? Crlf(Lines()) : old) << answer;
            EXPECT_EQ(FileExists(bak), c.OldInBak) << answer;
            if (c.OldInBak) {
                EXPECT_EQ(FileText(bak), old);
            }
        }
        // A cancelled dialog writes nothing.
        std::remove(path.c_str());
        Dialogs.ExpectSave("Save Patch List File", "");
        ClickSave();
        EXPECT_FALSE(FileExists(path));
    });
}

TEST_F(PatchListTest, AFileThatCannotBeWrittenIsReportedAndNothingChanges) {
    const std::string path = Dir.File("User.txt");
    const std::string old = "old list\r\n";
    WriteBytes(path, {old.begin(), old.end()});
    WhileOpen([&] {
        const std::string before = Text()->toPlainText().toStdString();
        test_hooks::FailWritesAfter(10);
        Dialogs.ExpectSave("Save Patch List File", path);
        Dialogs.ExpectMessage(TMessageKind::Confirmation, BackupQuestion, TAnswer::Yes);
        Dialogs.ExpectMessage(TMessageKind::Error, msg::CantSave(path, std::strerror(ENOSPC)));
        ClickSave();
        test_hooks::FailWritesAfter(std::nullopt);
        EXPECT_EQ(Text()->toPlainText().toStdString(), before);
    });
    EXPECT_EQ(FileText(path), old);
    EXPECT_FALSE(FileExists(Dir.File("User.BAK")));
}

/// The patches of a saved MIDNAM document: each bank's name, bank select and patch names.
struct TMidnamRead {
    std::string Bank;
    std::string Msb;
    std::string Lsb;
    std::vector<std::string> Names;
    std::vector<std::string> Programs;
};
std::vector<TMidnamRead> ReadMidnam(const std::string& text) {
    std::vector<TMidnamRead> banks;
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto a = xml.attributes();
        if (xml.name() == u"PatchBank") {
            banks.push_back({a.value("Name").toString().toStdString(), "", "", {}, {}});
        } else if (xml.name() == u"ControlChange" && !banks.empty()) {
            (a.value("Control") == u"0" ? banks.back().Msb : banks.back().Lsb) =
                a.value("Value").toString().toStdString();
        } else if (xml.name() == u"Patch" && !banks.empty()) {
            banks.back().Names.push_back(a.value("Name").toString().toStdString());
            banks.back().Programs.push_back(a.value("ProgramChange").toString().toStdString());
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return banks;
}

// The MIDNAM button saves the four user banks with their bank selects, and the ROM bank too
// while the ROM tab shows it; a cancelled dialog writes nothing.
TEST_F(PatchListTest, SaveMidnamWritesTheUserBanksAndTheRomBankShown) {
    const std::string path = Dir.File("Gig.midnam");
    for (const bool romTab : {false, true}) {
        SCOPED_TRACE(romTab);
        ASSERT_TRUE(Ws->pcUserBankChange(romTab ? TWorkspace::RomTab : 2));
        if (romTab) {
            // The ROM bank is named only once it holds a ROM bank fetched whole.
            Ws->bbROMGetBankClick();
            ASSERT_TRUE(
                PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
        }
        WhileOpen([&] {
            Type("eListTitle", QStringLiteral(" Gig "));
            Dialogs.ExpectSave(TfPatchList::MidnamSaveTitle, path);
            if (FileExists(path)) {
                Dialogs.ExpectMessage(TMessageKind::Confirmation, BackupQuestion, TAnswer::No);
            }
            QTest::mouseClick(Child<QToolButton>("bbSaveMidnam"), Qt::LeftButton);
        });
        ASSERT_TRUE(Dialogs.ScriptDone());
        const TShownDialog& shown = Dialogs.Shown()[romTab ? 1 : 0];
        EXPECT_EQ(shown.Filter, "MIDNAM (*.midnam)|*.midnam");
        EXPECT_EQ(shown.FileName, "Gig.midnam");

        const std::string text = FileText(path);
        EXPECT_NE(text.find("<Model>Proteus 2000</Model>"), std::string::npos);
        const std::vector<TMidnamRead> banks = ReadMidnam(text);
        ASSERT_EQ(banks.size(), romTab ? 5u : 4u);
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(banks[static_cast<size_t>(b)].Bank, "User Bank " + std::to_string(b));
            EXPECT_EQ(banks[static_cast<size_t>(b)].Msb, "0");
            EXPECT_EQ(banks[static_cast<size_t>(b)].Lsb, std::to_string(b));
            ASSERT_EQ(banks[static_cast<size_t>(b)].Names.size(), 128u);
            EXPECT_EQ(banks[static_cast<size_t>(b)].Programs[127], "127");
        }
        EXPECT_EQ(banks[0].Names[0], "Pad:Warm Strings");
        EXPECT_EQ(banks[1].Names[17], "Bas:Deep Sub") << "trailing blanks cut";
        EXPECT_EQ(banks[3].Names[127], "Syn:Last One");
        if (romTab) {
            const TWorkspaceStatus status = Ws->Status();
            const TRomRec& rom = Ws->Synth().Roms[static_cast<size_t>(status.RomIndex)];
            EXPECT_EQ(banks[4].Msb, std::to_string(rom.Id & 0x7F));
            EXPECT_EQ(banks[4].Lsb, std::to_string(status.RomBankListIndex));
            EXPECT_EQ(banks[4].Names.size(), 128u);
        }
    }

    std::remove(path.c_str());
    WhileOpen([&] {
        Dialogs.ExpectSave(TfPatchList::MidnamSaveTitle, "");
        QTest::mouseClick(Child<QToolButton>("bbSaveMidnam"), Qt::LeftButton);
    });
    EXPECT_FALSE(FileExists(path));
}

TEST_F(PatchListTest, EveryControlIsNamedAndTheWindowFitsASmallScreen) {
    WhileOpen([&] {
        for (QWidget* w : Window->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QToolButton*>(w) ||
                                 qobject_cast<QRadioButton*>(w) || qobject_cast<QGroupBox*>(w) ||
                                 qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QLabel*>(w);
            if ((control && w->parentWidget() == Window.get()) || qobject_cast<QRadioButton*>(w)) {
                EXPECT_FALSE(w->accessibleName().isEmpty())
                    << w->metaObject()->className() << " " << w->objectName().toStdString();
            }
        }
        EXPECT_EQ(Child<QLineEdit>("eListTitle")->toolTip().toStdString(),
                  "Enter the name of your song / project to have a list just for that project ");
        EXPECT_EQ(Child<QLineEdit>("eSeparator")->toolTip().toStdString(),
                  "Characters between the number and the patch name.");
        EXPECT_EQ(Child<QLabel>("lSeparator")->text().toStdString(), "Separator:");
        EXPECT_EQ(Child<QToolButton>("bbSaveMidnam")->text().toStdString(), "Save MIDNAM...");
        EXPECT_FALSE(Child<QToolButton>("bbSaveMidnam")->toolTip().isEmpty());
        for (const char* fixed : {"List Name :", "Bank - 0", "Make a change below",
                                  "to regenerate the list.", "Press 'Enter' after text."}) {
            bool found = false;
            for (QLabel* label : Window->findChildren<QLabel*>()) {
                found = found || label->text() == QString::fromLatin1(fixed);
            }
            EXPECT_TRUE(found) << fixed;
        }
        const QSize least = Window->minimumSizeHint();
        EXPECT_LE(least.width(), 1366);
        EXPECT_LE(least.height(), 700);
        SaveScreenshot(*Window, "patch-list.png");
        Window->resize(least);
        SaveScreenshot(*Window, "patch-list-small.png");
    });
}

} // namespace
