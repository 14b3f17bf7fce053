#include "SynthCommandLine.h"

#include "SynthModel.h"

#include <QCommandLineParser>
#include <QStringList>
#include <charconv>
#include <functional>
#include <utility>

namespace velcora::emu {

namespace {

bool ToNumber(const std::string& text, long min, long max, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && value >= min && value <= max;
}

/// A percentage 0..100, decimals allowed, as a share 0..1.
bool ToShare(const std::string& text, double& share) {
    const char* end = text.data() + text.size();
    double percent = -1;
    const auto [ptr, error] = std::from_chars(text.data(), end, percent);
    if (error != std::errc() || ptr != end || !(percent >= 0 && percent <= 100)) {
        return false;
    }
    share = percent / 100;
    return true;
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
           "  --packet-delay MS       time to check a closed-loop packet before answering it\n"
           "                          (default 4)\n"
           "  --banks FILE            keep the user banks in this all-banks file\n"
           "  --jack                  open JACK ports instead of ALSA ones\n"
           "  --port-name NAME        name of the ports (default \"Velcora Virtual Synth\")\n"
           "  -v, --verbose           log every message in and out in hex\n"
           "Faults, for testing a librarian:\n"
           "  --silent                never answer\n"
           "  --drop N                lose the Nth message sent (counting from 1)\n"
           "  --cancel-next-dump      answer the next preset dump request with a cancel\n"
           "  --truncate-packet K     cut packet K (1..7) of the next dump short\n"
           "  --nak-once              answer the next closed-loop packet received with NAK\n"
           "  --nak N                 answer the next N closed-loop packets received with NAK\n"
           "  --lose-ack N            lose the Nth acknowledgement given (counting from 1)\n"
           "  --cancel-send K         answer the Kth closed-loop packet received with a cancel\n"
           "  --lose-packet K         the Kth closed-loop packet sent to the synth never arrives:\n"
           "                          neither stored nor answered\n"
           "  --refuse-preset N       answer every packet of a dump to user preset N\n"
           "                          (bank x 128 + slot) with NAK\n"
           "  --nak-rate P            answer P % of the closed-loop data packets with NAK\n"
           "  --lose-ack-rate P       lose P % of the acknowledgements\n"
           "  --lose-packet-rate P    P % of the closed-loop packets never arrive\n"
           "                          (the three rates strike a packet the first time only)\n"
           "  --fault-seed N          seed of the random faults, for a run that repeats (default "
           "1)\n"
           "Other:\n"
           "  --write-blank-presets DIR  write the three default blank presets and stop\n"
           "  --list-models           list the models and stop\n"
           "  -h, --help              show this text\n"
           "  --version               show the program's version\n";
}

TSynthCommandLine ParseSynthCommandLine(const std::vector<std::string>& args) {
    TSynthCommandLine line;
    long number = 0;
    // The options that take a value, each with what checks and keeps it.
    using TTake = std::function<bool(const std::string&)>;
    const std::vector<std::pair<QString, TTake>> withValue{
        {"model",
         [&](const std::string& v) {
             const TSynthModel* model = FindSynthModel(v);
             if (model) {
                 line.Synth.MemberCode = model->MemberCode;
             }
             return model != nullptr;
         }},
        {"device-id",
         [&](const std::string& v) {
             return ToNumber(v, 0, 126, number) && (line.Synth.DeviceId = uint8_t(number), true);
         }},
        {"channel",
         [&](const std::string& v) {
             return ToNumber(v, 1, 16, number) && (line.Synth.Channel = uint8_t(number - 1), true);
         }},
        {"reply-delay",
         [&](const std::string& v) {
             return ToNumber(v, 0, 60000, number) &&
                    (line.Synth.ReplyDelay = std::chrono::milliseconds(number), true);
         }},
        {"drop",
         [&](const std::string& v) {
             return ToNumber(v, 1, 1000000000, number) &&
                    (line.Synth.Faults.DropNth = uint32_t(number), true);
         }},
        {"truncate-packet",
         [&](const std::string& v) {
             return ToNumber(v, 1, 7, number) &&
                    (line.Synth.Faults.TruncatePacket = int(number), true);
         }},
        {"packet-delay",
         [&](const std::string& v) {
             return ToNumber(v, 0, 60000, number) &&
                    (line.Synth.PacketDelay = std::chrono::milliseconds(number), true);
         }},
        {"nak",
         [&](const std::string& v) {
             return ToNumber(v, 1, 1000000, number) &&
                    (line.Synth.Faults.NakPackets = uint32_t(number), true);
         }},
        {"lose-ack",
         [&](const std::string& v) {
             return ToNumber(v, 1, 1000000000, number) &&
                    (line.Synth.Faults.LoseAck = uint32_t(number), true);
         }},
        {"cancel-send",
         [&](const std::string& v) {
             return ToNumber(v, 1, 1000000000, number) &&
                    (line.Synth.Faults.CancelAtPacket = uint32_t(number), true);
         }},
        {"lose-packet",
         [&](const std::string& v) {
             return ToNumber(v, 1, 1000000000, number) &&
                    (line.Synth.Faults.LosePacket = uint32_t(number), true);
         }},
        {"refuse-preset",
         [&](const std::string& v) {
             return ToNumber(v, 0, 511, number) &&
                    (line.Synth.Faults.RefusePreset = int(number), true);
         }},
        {"nak-rate", [&](const std::string& v) { return ToShare(v, line.Synth.Faults.NakRate); }},
        {"lose-ack-rate",
         [&](const std::string& v) { return ToShare(v, line.Synth.Faults.LoseAckRate); }},
        {"lose-packet-rate",
         [&](const std::string& v) { return ToShare(v, line.Synth.Faults.LosePacketRate); }},
        {"fault-seed",
         [&](const std::string& v) {
             return ToNumber(v, 0, 4294967295L, number) &&
                    (line.Synth.Faults.FaultSeed = uint32_t(number), true);
         }},
        {"banks", [&](const std::string& v) { return line.BanksFile = v, !v.empty(); }},
        {"port-name", [&](const std::string& v) { return line.PortName = v, !v.empty(); }},
        {"write-blank-presets",
         [&](const std::string& v) { return line.BlankPresetsDir = v, !v.empty(); }},
    };
    const std::vector<std::pair<QStringList, std::function<void()>>> flags{
        {{"wire-speed"}, [&] { line.Synth.WireSpeed = true; }},
        {{"silent"}, [&] { line.Synth.Faults.Silent = true; }},
        {{"cancel-next-dump"}, [&] { line.Synth.Faults.CancelNextDump = true; }},
        {{"nak-once"}, [&] { line.Synth.Faults.NakPackets = 1; }},
        {{"jack"}, [&] { line.Jack = true; }},
        {{"v", "verbose"}, [&] { line.Verbose = true; }},
        {{"h", "help"}, [&] { line.Help = true; }},
        {{"version"}, [&] { line.Version = true; }},
        {{"list-models"}, [&] { line.ListModels = true; }},
    };

    QCommandLineParser parser;
    for (const auto& [name, take] : withValue) {
        parser.addOption(QCommandLineOption(name, "", "VALUE"));
    }
    for (const auto& [names, set] : flags) {
        parser.addOption(QCommandLineOption(names, ""));
    }
    QStringList arguments{"velcora-virtual-synth"};
    for (const std::string& a : args) {
        arguments << QString::fromStdString(a);
    }
    if (!parser.parse(arguments)) {
        line.Error = parser.errorText().toStdString();
        return line;
    }
    if (!parser.positionalArguments().isEmpty()) {
        line.Error = "unexpected argument " + parser.positionalArguments().first().toStdString();
        return line;
    }
    for (const auto& [names, set] : flags) {
        if (parser.isSet(names.first())) {
            set();
        }
    }
    for (const auto& [name, take] : withValue) {
        if (!parser.isSet(name)) {
            continue;
        }
        const std::string value = parser.value(name).toStdString();
        if (!take(value)) {
            line.Error = "bad value for --" + name.toStdString() + ": " + value;
            return line;
        }
    }
    return line;
}

} // namespace velcora::emu
