#pragma once

#include <chrono>
#include <functional>

namespace velcora {

class TWorkspace;

/// Runs the event loop until the synth output has sent every SysEx message it holds, so that
/// a run may end without dropping what a send handed to the port. False when the output sent
/// nothing for stallLimit (a device that stopped taking data) or stopped() answered true.
bool WaitForOutput(const TWorkspace& ws, std::chrono::milliseconds stallLimit,
                   const std::function<bool()>& stopped = {});

} // namespace velcora
