#include "AppOptions.h"

#include "SynthModel.h"

#include <QCommandLineParser>
#include <QStringList>

namespace velcora {

namespace {

// The models as velcora-virtual-synth lists them, one a line.
std::string ModelList() {
    std::string list;
    for (const emu::TSynthModel& model : emu::SynthModels()) {
        list += "                     " + model.Name + "\n";
    }
    return list;
}

} // namespace

TAppOptions ParseAppOptions(const std::vector<std::string>& args) {
    TAppOptions options;
    options.MemberCode = emu::DefaultSynthModel().MemberCode;

    QCommandLineParser parser;
    const QCommandLineOption help({"h", "help"}, "");
    const QCommandLineOption virtualSynth("virtual-synth", "");
    const QCommandLineOption model("model", "", "NAME");
    const QCommandLineOption settings("settings", "", "FILE");
    parser.addOptions({help, virtualSynth, model, settings});

    QStringList arguments{"velcora"};
    for (const std::string& a : args) {
        arguments << QString::fromStdString(a);
    }
    if (!parser.parse(arguments)) {
        options.Error = parser.errorText().toStdString();
        return options;
    }
    options.Help = parser.isSet(help);
    if (options.Help) {
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.Error = "unexpected argument " + parser.positionalArguments().first().toStdString();
        return options;
    }
    options.VirtualSynth = parser.isSet(virtualSynth);
    options.Settings = parser.value(settings).toStdString();
    if (parser.isSet(settings) && options.Settings.empty()) {
        options.Error = "--settings needs a file name";
        return options;
    }
    if (parser.isSet(model)) {
        const std::string name = parser.value(model).toStdString();
        if (!options.VirtualSynth) {
            options.Error = "--model chooses the virtual synth's model: give --virtual-synth too";
            return options;
        }
        const emu::TSynthModel* found = emu::FindSynthModel(name);
        if (found == nullptr) {
            options.Error = "unknown model \"" + name + "\"; the models are:\n" + ModelList();
            return options;
        }
        options.MemberCode = found->MemberCode;
    }
    return options;
}

std::string AppUsage() {
    return "Usage: velcora [options]\n"
           "A patch librarian for E-mu sound modules of the Proteus 2000 family.\n"
           "\n"
           "  --virtual-synth    talk to the built-in virtual synth instead of MIDI devices;\n"
           "                     the devices chosen in Setup Midi stay as they were saved\n"
           "  --model NAME       the virtual synth's model (default Proteus 2000):\n" +
           ModelList() +
           "  --settings FILE    the settings file (default Velcora.INI beside the program,\n"
           "                     or in ~/.config/velcora when the program's folder is not\n"
           "                     writable)\n"
           "  -h, --help         show this text\n"
           "\n"
           "Without --virtual-synth the system's MIDI is used: JACK while a JACK server runs,\n"
           "otherwise ALSA; VELCORA_MIDI_API=alsa or jack chooses.\n";
}

} // namespace velcora
