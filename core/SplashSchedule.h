#pragma once

namespace velcora {

/// The splash window's start-up search, tick by tick (one tick every 100 ms): it asks the
/// synth once more at tick 15 unless it has answered, says it cannot find it at tick 40, and
/// ends at tick 60 with the setup dialog, or ten ticks after the synth answered without it.
/// With neither synth port open there is nothing to wait for: it ends at the first tick.
class TSplashSchedule {
public:
    /// What one tick asks of the window, besides Found.
    enum class TAction {
        None,
        RequestIdentity, ///< send the Device Inquiry again
        ShowNotFound,    ///< the red "Can't Find Synth" text
        FinishWithSetup, ///< show the main window and the setup dialog; hide the splash
        Finish,          ///< show the main window; hide the splash
    };
    struct TStep {
        /// The synth was seen identified for the first time: the green text and the initial
        /// parameter message.
        bool Found = false;
        TAction Action = TAction::None;
    };

    static constexpr int RequestTick = 15;
    static constexpr int NotFoundTick = 40;
    static constexpr int GiveUpTick = 60;
    /// Where the counter jumps when the synth is found; it ends ten ticks later.
    static constexpr int FoundTick = 90;
    static constexpr int DoneTick = 100;

    /// Counter back to 0, as the splash's showing does.
    void Start();
    /// One tick, given the state of the two synth ports and of the search. After the tick
    /// that finished, further ticks do nothing.
    TStep Tick(bool synthPortsClosed, bool synthFound);
    bool Done() const { return FDone; }

private:
    int FCounter = 0;
    bool FDone = false;
};

} // namespace velcora
