// The sequence rename dialog: the numbers it offers for a count and a start, and the dialog
// driven as a person drives it, typing into Start and answering with a click.
#include "SeqRename.h"

#include "WindowTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace velcora;
using namespace velcora::test;

namespace {

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TWidgetApp);

const std::string Long = "ABCDEFGHIJKL";

TEST(SeqRenameNumbers, EndWidthAndExampleOfTheLastName) {
    const struct {
        int Count;
        int Start;
        std::string Base;
        long long End;
        int Width;
        std::string Example;
    } cases[] = {
        {12, 1, Long, 12, 2, "'ABCDEFGHI 12'"},
        {12, 0, Long, 11, 2, "'ABCDEFGHI 11'"},
        {10, 95, Long, 104, 3, "'ABCDEFGH 104'"},
        {3, 7, Long, 9, 1, "'ABCDEFGHIJ 9'"},
        {100, 0, Long, 99, 2, "'ABCDEFGHI 99'"},
        {100, 1, Long, 100, 3, "'ABCDEFGH 100'"},
        // A name shorter than the room left is used whole.
        {5, 0, "Pad", 4, 1, "'Pad 4'"},
        {2, 0, "", 1, 1, "' 1'"},
        // The largest start still leaves one character of the name.
        {20000, TfSeqRename::LargestStart, Long, 1000019998, 10, "'A 1000019998'"},
        // No patches still number one.
        {0, 4, Long, 4, 1, "'ABCDEFGHIJ 4'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Count << " from " << c.Start);
        EXPECT_EQ(TfSeqRename::Numbers(c.Base, c.Start, c.Count),
                  (TfSeqRename::TNumbers{c.End, c.Width, c.Example}));
    }
}

TEST(SeqRenameNumbers, StartFromTheTextOfTheField) {
    const struct {
        std::string Text;
        std::optional<int> Start;
    } cases[] = {
        {"0", 0},
        {"5", 5},
        {"0095", 95},
        {"999999999", 999999999},
        {"-3", 0},
        {"-0", 0},
        {"-99999999999999999999", 0},
        // Nothing to take: the start keeps its value.
        {"", std::nullopt},
        {"-", std::nullopt},
        {"--3", std::nullopt},
        {"+3", std::nullopt},
        {" 3", std::nullopt},
        {"3 ", std::nullopt},
        {"3a", std::nullopt},
        {"abc", std::nullopt},
        {"1.5", std::nullopt},
        {"1000000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.Text + "'");
        EXPECT_EQ(TfSeqRename::StartFromText(c.Text), c.Start);
    }
}

class SeqRenameTest : public ::testing::Test {
protected:
    template <typename T> T* Child(const char* name) const {
        T* child = Dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QLineEdit* Start() const { return Child<QLineEdit>("eStart"); }
    QString End() const { return Child<QLabel>("lEnd")->text(); }
    QString Example() const { return Child<QLabel>("lFormat")->text(); }

    /// Runs Ask while act() drives the dialog once it shows; act must end it.
    bool AskAndAct(const std::string& base, int count, int& start, int& width,
                   std::function<void()> act) {
        bool acted = false;
        QTimer::singleShot(0, &Dialog, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&Dialog));
            acted = true;
            act();
            if (Dialog.isVisible()) {
                ADD_FAILURE() << "the dialog is still showing";
                Dialog.reject();
            }
        });
        const bool yes = Dialog.Ask(base, count, start, width);
        EXPECT_TRUE(acted);
        return yes;
    }
    void Click(const char* button) {
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
    }
    /// Clears the Start field and types text into it, key by key.
    void Type(const QString& text) {
        Start()->selectAll();
        QTest::keyClick(Start(), Qt::Key_Backspace);
        QTest::keyClicks(Start(), text);
    }

    TfSeqRename Dialog;
};

TEST_F(SeqRenameTest, ShowsItsControlsWithTheirTexts) {
    EXPECT_EQ(Dialog.windowTitle(), QStringLiteral("Sequence Rename"));
    const auto* question = Child<QLabel>("lQuestion");
    EXPECT_EQ(question->text(), QStringLiteral("Add number at end of name ?"));
    EXPECT_TRUE(question->font().bold());
    EXPECT_EQ(question->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(Start()->text(), QStringLiteral("0"));
    EXPECT_EQ(Child<QPushButton>("bYes")->text(), QStringLiteral("Yes"));
    EXPECT_EQ(Child<QPushButton>("bNo")->text(), QStringLiteral("No"));
    for (QWidget* widget : Dialog.findChildren<QWidget*>()) {
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->metaObject()->className();
    }
}

TEST_F(SeqRenameTest, TypingIntoStartUpdatesEndAndExample) {
    const struct {
        QString Typed;
        QString End;
        QString Example;
    } steps[] = {
        {"5", "16", "'ABCDEFGHI 16'"},
        {"95", "106", "'ABCDEFGH 106'"},
        // Nothing taken: End and Example stay as they were.
        {"", "106", "'ABCDEFGH 106'"},
        {"x", "106", "'ABCDEFGH 106'"},
        {"-3", "11", "'ABCDEFGHI 11'"},
        {"1", "12", "'ABCDEFGHI 12'"},
    };
    int start = -1;
    int width = -1;
    const bool yes = AskAndAct(Long, 12, start, width, [&] {
        for (const auto& s : steps) {
            SCOPED_TRACE(s.Typed.toStdString());
            Type(s.Typed);
            EXPECT_EQ(Start()->text(), s.Typed);
            EXPECT_EQ(End(), s.End);
            EXPECT_EQ(Example(), s.Example);
        }
        Click("bYes");
    });
    EXPECT_TRUE(yes);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(width, 2);
}

TEST_F(SeqRenameTest, NegativeStartCountsAsZeroWhileTheFieldKeepsTheText) {
    int start = -1;
    int width = -1;
    EXPECT_TRUE(AskAndAct(Long, 100, start, width, [&] {
        Type("-3");
        Click("bYes");
    }));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(Start()->text(), QStringLiteral("-3"));
    EXPECT_EQ(End(), QStringLiteral("99"));
}

TEST_F(SeqRenameTest, NoEscapeAndClosingAnswerNoAndLeaveTheOutputsAlone) {
    const std::pair<const char*, std::function<void(TfSeqRename&)>> answers[] = {
        {"No button",
         [](TfSeqRename& d) {
             QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("bNo")), Qt::LeftButton);
         }},
        {"Escape", [](TfSeqRename& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"closing the window", [](TfSeqRename& d) { d.close(); }},
    };
    for (const auto& [what, answer] : answers) {
        SCOPED_TRACE(what);
        int start = -7;
        int width = -7;
        EXPECT_FALSE(AskAndAct(Long, 3, start, width, [&] {
            Type("4");
            answer(Dialog);
        }));
        EXPECT_EQ(start, -7);
        EXPECT_EQ(width, -7);
    }
}

TEST_F(SeqRenameTest, EnterInStartAnswersYes) {
    int start = -1;
    int width = -1;
    EXPECT_TRUE(AskAndAct(Long, 10, start, width, [&] {
        Type("95");
        QTest::keyClick(Start(), Qt::Key_Return);
    }));
    EXPECT_EQ(start, 95);
    EXPECT_EQ(width, 3);
}

// A Start that is no whole number is reported when the field is left, not while typing; the
// dialog stays open with the field to correct, and the start it had is kept meanwhile.
TEST_F(SeqRenameTest, AStartThatIsNoNumberIsReportedWhenTheFieldIsLeft) {
    const struct {
        const char* What;
        QString Typed;
        std::function<void()> Leave;
    } cases[] = {
        {"Enter", "x", [this] { QTest::keyClick(Start(), Qt::Key_Return); }},
        {"a click on Yes", "a12", [this] { Click("bYes"); }},
        {"Tab", "-", [this] { QTest::keyClick(Start(), Qt::Key_Tab); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        int start = -1;
        int width = -1;
        std::vector<std::pair<QString, QString>> boxes; // caption, text
        EXPECT_TRUE(AskAndAct(Long, 10, start, width, [&] {
            Type("3");
            Type(c.Typed);
            EXPECT_EQ(QApplication::activeModalWidget(), &Dialog) << "no box while typing";
            EXPECT_EQ(End(), QStringLiteral("12")) << "the last good start stays";
            QTimer::singleShot(0, &Dialog, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                boxes.emplace_back(box->windowTitle(), box->text());
                EXPECT_EQ(box->parentWidget(), &Dialog);
                box->button(QMessageBox::Ok)->click();
            });
            c.Leave();
            EXPECT_TRUE(Dialog.isVisible()) << "not answered with a start that is no number";
            EXPECT_EQ(Dialog.focusWidget(), Start()) << "the field to correct";
            Type("5");
            QTest::keyClick(Start(), Qt::Key_Return);
        }));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].first, QStringLiteral("Velcora V1.01"));
        EXPECT_EQ(boxes[0].second.toStdString(), TfSeqRename::NotAStartText(c.Typed.toStdString()));
        EXPECT_EQ(start, 5);
        EXPECT_EQ(width, 2);
    }
}

TEST_F(SeqRenameTest, StartCarriesOverToTheNextUse) {
    int start = -1;
    int width = -1;
    EXPECT_TRUE(AskAndAct(Long, 12, start, width, [&] {
        Type("7");
        Click("bYes");
    }));
    EXPECT_EQ(start, 7);

    // A new name and count: the field still shows 7, End and Example follow the new count.
    EXPECT_TRUE(AskAndAct("Strings", 3, start, width, [&] {
        EXPECT_EQ(Start()->text(), QStringLiteral("7"));
        EXPECT_EQ(End(), QStringLiteral("9"));
        EXPECT_EQ(Example(), QStringLiteral("'Strings 9'"));
        Click("bYes");
    }));
    EXPECT_EQ(start, 7);
    EXPECT_EQ(width, 1);
}

TEST_F(SeqRenameTest, FewerThanTwoPatchesNeedNoQuestion) {
    for (int count : {0, 1}) {
        int start = -1;
        int width = -1;
        EXPECT_FALSE(Dialog.Ask(Long, count, start, width));
        EXPECT_FALSE(Dialog.isVisible());
        EXPECT_EQ(start, -1);
    }
}

TEST_F(SeqRenameTest, ShowsTheNameAsTheLibraryHoldsIt) {
    int start = 0;
    int width = 0;
    // Windows-1252 bytes, one a character: e acute, u umlaut.
    EXPECT_TRUE(AskAndAct("Caf\xe9 M\xfcsic", 2, start, width, [&] {
        Type("0");
        EXPECT_EQ(Example(), QStringLiteral("'Caf\u00e9 M\u00fcsic 1'"));
        Click("bYes");
    }));
}

} // namespace
