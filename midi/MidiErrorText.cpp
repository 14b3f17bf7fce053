#include "MidiErrorText.h"

#include "MidiResult.h"

namespace velcora {

bool StandardMidiErrorText(uint32_t code, std::string& text) {
    switch (code) {
    case TMidiResult::NoError:
        text = "The command was carried out.";
        return true;
    case TMidiResult::Error:
        text = "An undetermined error occurred in the MIDI driver.";
        return true;
    case TMidiResult::BadDeviceId:
        text = "The device ID is out of range.";
        return true;
    case TMidiResult::Allocated:
        text = "The MIDI device is already in use by another program.";
        return true;
    case TMidiResult::InvalHandle:
        text = "The device handle is invalid.";
        return true;
    case TMidiResult::NoDriver:
        text = "There is no MIDI driver installed on this system.";
        return true;
    case TMidiResult::NoMem:
        text = "Not enough memory is available for this task.";
        return true;
    case TMidiResult::InvalParam:
        text = "An invalid parameter was passed to the MIDI driver.";
        return true;
    case TMidiResult::Unprepared:
        text = "The buffer has not been prepared.";
        return true;
    case TMidiResult::StillPlaying:
        text = "MIDI buffers are still in the queue.";
        return true;
    case TMidiResult::NotReady:
        text = "The MIDI device is busy with other data.";
        return true;
    case TMidiResult::BadOpenMode:
        text = "The operation is not possible in the current open mode.";
        return true;
    default:
        return false;
    }
}

} // namespace velcora
