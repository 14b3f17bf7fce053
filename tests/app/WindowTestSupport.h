#pragma once

#include "RecordingView.h"
#include "SetMidi.h"
#include "Splash.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velcora::test {

/// The widget tests' application object, offscreen, made before any test runs (before a
/// workspace fixture would make a plain QCoreApplication instead) and gone after the last one,
/// while Qt's own globals still exist: a function's static would outlive them at exit, and one
/// never destroyed leaves what Qt frees with it (fonts, pointing devices) to the leak checker.
template <typename TApp = QApplication>
class TWidgetAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        FApp = std::make_unique<TApp>(FArgc, FArgv);
    }
    void TearDown() override { FApp.reset(); }

    static TApp& Instance() { return *static_cast<TApp*>(QCoreApplication::instance()); }

private:
    int FArgc = 1;
    char FName[20] = "velcora_widget_test";
    char* FArgv[2] = {FName, nullptr};
    std::unique_ptr<TApp> FApp;
};

using TWidgetApp = TWidgetAppEnvironment<QApplication>;

/// Records what the workspace shows and passes the splash's and the setup dialog's part on to
/// those windows, as the main window does.
class TWindowView : public TRecordingView {
public:
    void ShowSplashModel(const std::string& modelName) override {
        TRecordingView::ShowSplashModel(modelName);
        if (Splash != nullptr) {
            Splash->ShowSplashModel(modelName);
        }
    }
    void ShowSetupSynth(const std::string& synthName) override {
        TRecordingView::ShowSetupSynth(synthName);
        if (Setup != nullptr) {
            Setup->ShowSetupSynth(synthName);
        }
    }
    void ShowSetupBlankName(const std::string& blankName) override {
        TRecordingView::ShowSetupBlankName(blankName);
        if (Setup != nullptr) {
            Setup->ShowSetupBlankName(blankName);
        }
    }
    void ShowSetupTimes(int sysex, int patches) override {
        TRecordingView::ShowSetupTimes(sysex, patches);
        if (Setup != nullptr) {
            Setup->ShowSetupTimes(sysex, patches);
        }
    }

    TfSetMidi* Setup = nullptr;
    TfSplash* Splash = nullptr;
};

/// Saves a picture of the widget when VELCORA_SCREENSHOTS names a folder, to look at.
inline void SaveScreenshot(QWidget& widget, const std::string& name) {
    const QByteArray dir = qgetenv("VELCORA_SCREENSHOTS");
    if (!dir.isEmpty()) {
        widget.grab().save(QString::fromLocal8Bit(dir) + "/" + QString::fromStdString(name));
    }
}

} // namespace velcora::test
