#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace velcora::test {

namespace {

const char* KindName(TMessageKind k) {
    switch (k) {
    case TMessageKind::Warning:
        return "warning";
    case TMessageKind::Error:
        return "error";
    case TMessageKind::Information:
        return "information";
    case TMessageKind::Confirmation:
        return "confirmation";
    }
    return "?";
}

} // namespace

TScriptedDialogs::~TScriptedDialogs() {
    for (const auto& step : FScript) {
        ADD_FAILURE() << "expected dialog never shown: " << step.Text;
    }
}

void TScriptedDialogs::ExpectMessage(TMessageKind kind, std::string text, TAnswer answer) {
    FScript.push_back({TShownDialog::TType::Message, kind, std::move(text), answer, {}, false, {}});
}

void TScriptedDialogs::ExpectOpen(std::string title, std::string choose) {
    FScript.push_back({TShownDialog::TType::Open,
                       TMessageKind::Information,
                       std::move(title),
                       TAnswer::Ok,
                       std::move(choose),
                       false,
                       {}});
}

void TScriptedDialogs::ExpectSave(std::string title, std::string choose) {
    FScript.push_back({TShownDialog::TType::Save,
                       TMessageKind::Information,
                       std::move(title),
                       TAnswer::Ok,
                       std::move(choose),
                       false,
                       {}});
}

void TScriptedDialogs::ExpectOpenPaths(std::string title, bool chooseFolder,
                                       std::vector<std::string> choose) {
    FScript.push_back({TShownDialog::TType::OpenPaths,
                       TMessageKind::Information,
                       std::move(title),
                       TAnswer::Ok,
                       {},
                       chooseFolder,
                       std::move(choose)});
}

TAnswer TScriptedDialogs::MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) {
    FShown.push_back({TShownDialog::TType::Message, kind, buttons, text, {}, {}, {}});
    if (FScript.empty() || FScript.front().Type != TShownDialog::TType::Message) {
        ADD_FAILURE() << "unexpected " << KindName(kind) << " box: \"" << text << "\"";
        return buttons == TButtons::Ok ? TAnswer::Ok : TAnswer::Cancel;
    }
    const TStep step = FScript.front();
    FScript.pop_front();
    EXPECT_EQ(KindName(step.Kind), std::string(KindName(kind))) << "for \"" << text << "\"";
    EXPECT_EQ(step.Text, text);
    return step.Answer;
}

TFileChoice TScriptedDialogs::File(TShownDialog::TType type, const std::string& title,
                                   const std::string& filter, const std::string& folder,
                                   const std::string& fileName) {
    FShown.push_back(
        {type, TMessageKind::Information, TButtons::OkCancel, title, filter, folder, fileName});
    if (FScript.empty() || FScript.front().Type != type) {
        ADD_FAILURE() << "unexpected file dialog: \"" << title << "\"";
        return {false, fileName};
    }
    const TStep step = FScript.front();
    FScript.pop_front();
    EXPECT_EQ(step.Text, title);
    if (step.Choose.empty()) {
        return {false, fileName};
    }
    return {true, step.Choose};
}

TFileChoice TScriptedDialogs::OpenFile(const std::string& title, const std::string& filter,
                                       const std::string& folder, const std::string& fileName) {
    return File(TShownDialog::TType::Open, title, filter, folder, fileName);
}

TFileChoice TScriptedDialogs::SaveFile(const std::string& title, const std::string& filter,
                                       const std::string& folder, const std::string& fileName) {
    return File(TShownDialog::TType::Save, title, filter, folder, fileName);
}

TPathsChoice TScriptedDialogs::OpenPaths(const std::string& title, const std::string& filter,
                                         const std::string& folder, bool chooseFolder) {
    FShown.push_back({TShownDialog::TType::OpenPaths,
                      TMessageKind::Information,
                      TButtons::OkCancel,
                      title,
                      filter,
                      folder,
                      {}});
    if (FScript.empty() || FScript.front().Type != TShownDialog::TType::OpenPaths) {
        ADD_FAILURE() << "unexpected files-or-folder dialog: \"" << title << "\"";
        return {};
    }
    const TStep step = FScript.front();
    FScript.pop_front();
    EXPECT_EQ(step.Text, title);
    EXPECT_EQ(step.ChooseFolder, chooseFolder) << "a folder dialog and a files dialog differ";
    return {!step.Paths.empty(), step.Paths};
}

} // namespace velcora::test
