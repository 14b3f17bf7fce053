#pragma once

namespace velcora {

/// How a device of the virtual driver behaves.
struct TVirtualDeviceOptions {
    bool Input = true;          ///< listed as an input device (what it emits)
    bool Output = true;         ///< listed as an output device (what it receives)
    bool FailOpen = false;      ///< opening it fails as a device in use does
    bool NeverComplete = false; ///< its output never reports a SysEx buffer as done
};

} // namespace velcora
