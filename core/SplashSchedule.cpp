#include "SplashSchedule.h"

namespace velcora {

void TSplashSchedule::Start() {
    FCounter = 0;
    FDone = false;
}

TSplashSchedule::TStep TSplashSchedule::Tick(bool synthPortsClosed, bool synthFound) {
    TStep step;
    if (FDone) {
        return step;
    }
    if (synthPortsClosed) {
        FCounter = GiveUpTick;
    }
    // A synth found jumps the counter past the second inquiry and the red text; the jump
    // happens once, so the initial parameter message goes out once.
    if (synthFound && FCounter < FoundTick) {
        step.Found = true;
        FCounter = FoundTick;
    }
    switch (FCounter++) {
    case RequestTick:
        step.Action = TAction::RequestIdentity;
        break;
    case NotFoundTick:
        step.Action = TAction::ShowNotFound;
        break;
    case GiveUpTick:
        step.Action = TAction::FinishWithSetup;
        FDone = true;
        break;
    case DoneTick:
        step.Action = TAction::Finish;
        FDone = true;
        break;
    default:
        break;
    }
    return step;
}

} // namespace velcora
