#pragma once

#include "SplashSchedule.h"

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

class QLabel;

namespace velcora {

class TWorkspace;

/// The splash window: the program's picture while the start-up search for the synth runs.
/// Its schedule ticks every 100 ms from its showing; when done it hides itself and calls
/// finish, with true when the setup dialog must come up with the main window.
class TfSplash : public QWidget {
    Q_OBJECT

public:
    TfSplash(TWorkspace& workspace, std::function<void(bool withSetup)> finish,
             QWidget* parent = nullptr);
    ~TfSplash() override;

    /// The two title labels, once the synth is identified.
    void ShowSplashModel(const std::string& modelName);
    /// One tick of the schedule, as the timer runs it (tests call it directly).
    void TimerTimer();

    /// The window's size on a screen that holds it.
    static constexpr int Width = 779;
    static constexpr int Height = 463;
    /// Where the picture lies among the program's resources.
    static inline const char* const PicturePath = ":/velcora/splash.jpg";

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowLooking(const QString& text, const QColor& colour);
    void PlaceLabels();

    TWorkspace& FWorkspace;
    std::function<void(bool)> FFinish;
    TSplashSchedule FSchedule;
    QTimer FTimer;
    QImage FPicture;
    QLabel* FTitleShadow = nullptr;
    QLabel* FTitleColour = nullptr;
    QLabel* FLooking = nullptr;
};

} // namespace velcora
