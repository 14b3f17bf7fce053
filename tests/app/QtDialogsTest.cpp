// The Qt dialogs: what a message box shows and how its buttons answer, and the file filters.
#include "QtDialogs.h"

#include "WidgetApp.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace velcora;

namespace {

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TWidgetApp);

QApplication& App() {
    return *qApp;
}

struct TSeen {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    int Buttons = 0;
};

// Presses a button of the message box that opens next, and tells what it showed.
TSeen Press(QMessageBox::StandardButton which, const std::function<void()>& open) {
    TSeen seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(),
                static_cast<int>(box->buttons().size())};
        if (which == QMessageBox::NoButton) {
            box->reject(); // closed with the window's close button or Escape
        } else {
            box->button(which)->click();
        }
    });
    open();
    return seen;
}

} // namespace

TEST(QtDialogs, MessageBoxesShowTheTextAndAnswer) {
    App();
    TQtDialogs dialogs;
    struct Case {
        TMessageKind Kind;
        TButtons Buttons;
        QMessageBox::StandardButton Press;
        QMessageBox::Icon Icon;
        int ButtonCount;
        TAnswer Answer;
    } cases[] = {
        {TMessageKind::Warning, TButtons::Ok, QMessageBox::Ok, QMessageBox::Warning, 1,
         TAnswer::Ok},
        {TMessageKind::Error, TButtons::Ok, QMessageBox::Ok, QMessageBox::Critical, 1, TAnswer::Ok},
        {TMessageKind::Information, TButtons::Ok, QMessageBox::Ok, QMessageBox::Information, 1,
         TAnswer::Ok},
        {TMessageKind::Confirmation, TButtons::YesNoCancel, QMessageBox::Yes, QMessageBox::Question,
         3, TAnswer::Yes},
        {TMessageKind::Confirmation, TButtons::YesNoCancel, QMessageBox::No, QMessageBox::Question,
         3, TAnswer::No},
        {TMessageKind::Confirmation, TButtons::YesNoCancel, QMessageBox::NoButton,
         QMessageBox::Question, 3, TAnswer::Cancel},
        {TMessageKind::Confirmation, TButtons::YesNo, QMessageBox::No, QMessageBox::Question, 2,
         TAnswer::No},
    };
    const std::string text =
        "   File exists !\n\nShall I make a backup? (*.BAK)\n\n(NO to overwrite)";
    for (const auto& c : cases) {
        TAnswer answer = TAnswer::Ok;
        const TSeen seen =
            Press(c.Press, [&] { answer = dialogs.MessageBox(c.Kind, text, c.Buttons); });
        EXPECT_EQ(seen.Title, "Velcora V1.01");
        EXPECT_EQ(seen.Text.toStdString(), text);
        EXPECT_EQ(seen.Icon, c.Icon);
        EXPECT_EQ(seen.Buttons, c.ButtonCount);
        EXPECT_EQ(answer, c.Answer);
    }
}

TEST(QtDialogs, FiltersMatchBothLetterCases) {
    EXPECT_EQ(TQtDialogs::FilterForQt("Sysex files (*.syx)|*.SYX").toStdString(),
              "Sysex files (*.syx *.SYX)");
    EXPECT_EQ(TQtDialogs::FilterForQt("Patch Library files (*.lib)|*.LIB").toStdString(),
              "Patch Library files (*.lib *.LIB)");
    EXPECT_EQ(TQtDialogs::FilterForQt("Text (*.txt)|*.txt|All|*.*").toStdString(),
              "Text (*.txt *.TXT);;All (*.*)");
}

// A message box or file dialog opens over the program's window that is active: centred on
// it, without a task-bar entry of its own, never behind the splash.
TEST(QtDialogs, DialogsOpenOverTheActiveWindow) {
    App();
    TQtDialogs dialogs; // made before any window, as the program makes it
    QWidget window;
    window.setWindowTitle(QStringLiteral("Main"));
    window.resize(300, 200);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &window);
    EXPECT_EQ(dialogs.DialogParent(), &window);

    const struct {
        const char* What;
        std::function<void()> Open;
    } cases[] = {
        {"message box",
         [&] { dialogs.MessageBox(TMessageKind::Information, "Hello", TButtons::Ok); }},
        {"open dialog", [&] { dialogs.OpenFile("Open", "Sysex files (*.syx)|*.SYX", "", ""); }},
        {"save dialog", [&] { dialogs.SaveFile("Save", "Sysex files (*.syx)|*.SYX", "", "a"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        QWidget* parent = nullptr;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            parent = dialog->parentWidget();
            dialog->reject();
        });
        c.Open();
        EXPECT_TRUE(seen);
        EXPECT_EQ(parent, &window);
    }
}
