#include "Splash.h"

#include "Workspace.h"

namespace velcora {

TfSplash::TfSplash(TWorkspace& workspace, std::function<void(bool withSetup)> finish,
                   QWidget* parent)
    : QWidget(parent), FWorkspace(workspace), FFinish(std::move(finish)) {}

TfSplash::~TfSplash() = default;

void TfSplash::ShowSplashModel(const std::string&) {}

void TfSplash::TimerTimer() {}

} // namespace velcora
