#pragma once

#include "RecordingView.h"
#include "SetMidi.h"
#include "Splash.h"
#include "WidgetApp.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velcora::test {

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
