#include "SynthCommandLine.h"

#include "SynthModel.h"

#include <charconv>
#include <functional>
#include <map>

namespace velcora::emu {

namespace {

bool ToNumber(const std::string& text, long min, long max, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && value >= min && value <= max;
}

} // namespace

std::string SynthUsage() {
    std::string models;
    for (const TSynthModel& model : SynthModels()) {
        models += "                          " + model.Name + " (" +
                  std::to_string(model.MemberCode) + ")\n";
    }
    return "Usage: velcora-virtual-synth [options]\n"
           "An emulator of the SysEx side of an E-mu Proteus 2000 family synth, on virtual\n"
           "MIDI ports named \"Velcora Virtual Synth\". Stop it with Ctrl-C.\n"
           "\n"
           "  --model NAME|CODE       the synth to be (default Proteus 2000):\n" +
           models +
           "  --device-id N           SysEx device id, 0..126 (default 0)\n"
           "  --channel N             basic MIDI channel, 1..16 (default 1)\n"
           "  --reply-delay MS        wait before answering (default 0)\n"
           "  --wire-speed            pace replies at MIDI cable speed (31250 baud)\n"
           "  --banks FILE            keep the user banks in this all-banks file\n"
           "  --jack                  open JACK ports instead of ALSA ones\n"
           "  --port-name NAME        name of the ports (default \"Velcora Virtual Synth\")\n"
           "  -v, --verbose           log every message in and out in hex\n"
           "Faults, for testing a librarian:\n"
           "  --silent                never answer\n"
           "  --drop N                lose the Nth message sent (counting from 1)\n"
           "  --cancel-next-dump      answer the next preset dump request with a cancel\n"
           "  --truncate-packet K     cut packet K (1..7) of the next dump short\n"
           "Other:\n"
           "  --write-blank-presets DIR  write the three default blank presets and stop\n"
           "  --list-models           list the models and stop\n"
           "  -h, --help              show this text\n";
}

TSynthCommandLine ParseSynthCommandLine(const std::vector<std::string>& args) {
    TSynthCommandLine line;
    using TTake = std::function<bool(const std::string&)>;
    long number = 0;
    const std::map<std::string, TTake> withValue{
        {"--model",
         [&](const std::string& v) {
             const TSynthModel* model = FindSynthModel(v);
             if (model) {
                 line.Synth.MemberCode = model->MemberCode;
             }
             return model != nullptr;
         }},
        {"--device-id",
         [&](const std::string& v) {
             return ToNumber(v, 0, 126, number) && (line.Synth.DeviceId = uint8_t(number), true);
         }},
        {"--channel",
         [&](const std::string& v) {
             return ToNumber(v, 1, 16, number) && (line.Synth.Channel = uint8_t(number - 1), true);
         }},
        {"--reply-delay",
         [&](const std::string& v) {
             return ToNumber(v, 0, 60000, number) &&
                    (line.Synth.ReplyDelay = std::chrono::milliseconds(number), true);
         }},
        {"--drop",
         [&](const std::string& v) {
             return ToNumber(v, 1, 1000000000, number) &&
                    (line.Synth.Faults.DropNth = uint32_t(number), true);
         }},
        {"--truncate-packet",
         [&](const std::string& v) {
             return ToNumber(v, 1, 7, number) &&
                    (line.Synth.Faults.TruncatePacket = int(number), true);
         }},
        {"--banks", [&](const std::string& v) { return line.BanksFile = v, !v.empty(); }},
        {"--port-name", [&](const std::string& v) { return line.PortName = v, !v.empty(); }},
        {"--write-blank-presets",
         [&](const std::string& v) { return line.BlankPresetsDir = v, !v.empty(); }},
    };
    const std::map<std::string, std::function<void()>> flags{
        {"--wire-speed", [&] { line.Synth.WireSpeed = true; }},
        {"--silent", [&] { line.Synth.Faults.Silent = true; }},
        {"--cancel-next-dump", [&] { line.Synth.Faults.CancelNextDump = true; }},
        {"--jack", [&] { line.Jack = true; }},
        {"-v", [&] { line.Verbose = true; }},
        {"--verbose", [&] { line.Verbose = true; }},
        {"-h", [&] { line.Help = true; }},
        {"--help", [&] { line.Help = true; }},
        {"--list-models", [&] { line.ListModels = true; }},
    };
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !hasValue) {
            flag->second();
            continue;
        }
        const auto option = withValue.find(name);
        if (option == withValue.end()) {
            line.Error = "unknown option " + args[i];
            return line;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                line.Error = name + " needs a value";
                return line;
            }
            value = args[++i];
        }
        if (!option->second(value)) {
            line.Error = "bad value for " + name + ": " + value;
            return line;
        }
    }
    return line;
}

} // namespace velcora::emu
