#pragma once

#include <QWidget>
#include <functional>
#include <string>

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

private:
    TWorkspace& FWorkspace;
    std::function<void(bool)> FFinish;
};

} // namespace velcora
