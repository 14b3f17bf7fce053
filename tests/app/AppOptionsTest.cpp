// The program's command line: every option, its defaults and the mistakes it refuses.
#include "AppOptions.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velcora;

namespace {

constexpr uint16_t Proteus2000 = 3;
constexpr uint16_t Xl7 = 13;

} // namespace

TEST(AppOptions, ReadsEachOptionAndRefusesMistakes) {
    struct Case {
        std::vector<std::string> Args;
        bool VirtualSynth;
        uint16_t MemberCode;
        std::string Settings;
        bool Help;
        std::string Error; ///< the start of the refusal, empty when taken
    };
    const std::vector<Case> cases{
        {{}, false, Proteus2000, "", false, ""},
        {{"--virtual-synth"}, true, Proteus2000, "", false, ""},
        {{"--virtual-synth", "--model", "XL-7"}, true, Xl7, "", false, ""},
        // Spelled as velcora-virtual-synth lists them, or loosely, or by member code.
        {{"--virtual-synth", "--model=xl7"}, true, Xl7, "", false, ""},
        {{"--virtual-synth", "--model", "proteus 2000"}, true, Proteus2000, "", false, ""},
        {{"--model", "XL-7", "--virtual-synth"}, true, Xl7, "", false, ""},
        {{"--settings", "/tmp/my.ini"}, false, Proteus2000, "/tmp/my.ini", false, ""},
        {{"--settings=/tmp/a b.ini", "--virtual-synth"},
         true,
         Proteus2000,
         "/tmp/a b.ini",
         false,
         ""},
        {{"--help"}, false, Proteus2000, "", true, ""},
        {{"-h", "--bogus-after-help"}, false, Proteus2000, "", false, "Unknown option"},
        {{"--virtual-synth", "--model", "Emulator X"},
         true,
         Proteus2000,
         "",
         false,
         "unknown model \"Emulator X\"; the models are:\n"},
        {{"--model", "XL-7"}, false, Proteus2000, "", false, "--model chooses"},
        {{"--virtual-synth", "--model"}, true, Proteus2000, "", false, "Missing value"},
        {{"--settings"}, false, Proteus2000, "", false, "Missing value"},
        {{"--settings="}, false, Proteus2000, "", false, "--settings needs a file name"},
        {{"--bogus"}, false, Proteus2000, "", false, "Unknown option 'bogus'"},
        {{"bank.syx"}, false, Proteus2000, "", false, "unexpected argument bank.syx"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.Args) {
            line += a + " ";
        }
        SCOPED_TRACE(line);
        const TAppOptions options = ParseAppOptions(c.Args);
        if (!c.Error.empty()) {
            EXPECT_EQ(options.Error.substr(0, c.Error.size()), c.Error) << options.Error;
            continue;
        }
        EXPECT_EQ(options.Error, "");
        EXPECT_EQ(options.VirtualSynth, c.VirtualSynth);
        EXPECT_EQ(options.MemberCode, c.MemberCode);
        EXPECT_EQ(options.Settings, c.Settings);
        EXPECT_EQ(options.Help, c.Help);
    }
}

TEST(AppOptions, AnUnknownModelListsTheModelsAsTheVirtualSynthNamesThem) {
    const std::string error = ParseAppOptions({"--virtual-synth", "--model", "Emulator X"}).Error;
    for (const char* model : {"Audity 2000", "Proteus 2000", "XL-7", "Proteus 2500"}) {
        EXPECT_NE(error.find(std::string(" ") + model + "\n"), std::string::npos) << model;
    }
}

TEST(AppOptions, TheHelpNamesEveryOption) {
    const std::string usage = AppUsage();
    for (const char* option : {"--virtual-synth", "--model NAME", "--settings FILE", "--help",
                               "Proteus 2000", "VELCORA_MIDI_API"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}
