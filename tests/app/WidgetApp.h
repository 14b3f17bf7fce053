#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

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

} // namespace velcora::test
