#pragma once

#include <string>

namespace velcora::test {

// Texts the program shows while it talks to the synth, word for word.

inline const std::string BlankFileWarning =
    "You may have an incompatable 'Blank' file.\n This is used to fill in the holes \nwhen you "
    "delete patches.\nSelect something on the synth and press the 'Get Edit Buffer' button\nto "
    "get the patch and save it as 'Default.syx'\nLoad the Velcora.INI file into a text editor "
    "and change the line ...\nBlankFile=.\\Patches\\Blank Preset.SYX\nso that it has the "
    "correct path.  ";

inline const std::string SynthCancelled =
    "         The synth cancelled the dump.\n\nThis can be due to sending patches too "
    "quickly.\nSlow it down by increasing the \"Time Between Patches\"\n             on the "
    "Setup Midi Page\n\nThis has also occured to me on a Command Station\n   when getting ROM "
    "banks greater than Bank 3.\nSwap the \"Method\" to \"Edit Buffer\" and try again\n";

} // namespace velcora::test
