#include "CliCommandLine.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>

namespace velcora {

namespace {

/// The user bank a midnam bank file is said to hold: FILE@N. A name that does not end in
/// "@" and digits is a plain file name. -1: none said; -2: a number that is no user bank.
int SaidBank(const std::string& word, std::string& file) {
    const size_t at = word.rfind('@');
    file = word;
    if (at == std::string::npos || at + 1 == word.size() || at == 0 ||
        word.find_first_not_of("0123456789", at + 1) != std::string::npos) {
        return -1;
    }
    file = word.substr(0, at);
    const std::string digits = word.substr(at + 1);
    return digits.size() == 1 && digits[0] <= '3' ? digits[0] - '0' : -2;
}

/// midnam OUTFILE BANKFILE[@N]... [--model NAME]
void ParseMidnam(const std::vector<std::string>& words, bool modelGiven, const std::string& model,
                 TCliCommandLine& line) {
    TCliOptions& o = line.Options;
    if (o.Command != "midnam") {
        line.Error = "--model is for the midnam and import commands";
        return;
    }
    if (modelGiven && model.empty()) {
        line.Error = "--model needs a model name";
        return;
    }
    if (words.size() < 3 || words.size() > 6) {
        line.Error = "midnam takes the file to write and one to four bank files, or one "
                     "all-banks file";
        return;
    }
    // A bank select names one user bank: a file whose bank is guessed from its place would
    // give its patches another bank's select.
    std::vector<std::string> files;
    std::vector<int> banks;
    int plain = 0;
    for (size_t i = 2; i < words.size(); ++i) {
        std::string file;
        const int bank = SaidBank(words[i], file);
        if (bank == -2) {
            line.Error = words[i] + ": the user banks are 0..3";
            return;
        }
        if (bank >= 0 && std::find(banks.begin(), banks.end(), bank) != banks.end()) {
            line.Error = "two files for user bank " + std::to_string(bank);
            return;
        }
        plain += bank < 0 ? 1 : 0;
        files.push_back(file);
        banks.push_back(bank);
    }
    const int count = static_cast<int>(files.size());
    if (plain == 4) {
        banks = {0, 1, 2, 3};
    } else if (plain > 0 && count > 1) {
        line.Error = "say which user bank each bank file holds, as FILE@N (N = 0..3); four "
                     "files without it are banks 0..3 in order, one is an all-banks file";
        return;
    }
    o.File = words[1];
    o.BankFiles = std::move(files);
    o.BankNumbers = std::move(banks);
    o.Model = model;
}

void ParseImport(const std::string& model, bool keepDuplicates,
                 const std::vector<std::string>& words, TCliCommandLine& line) {
    if (words.size() < 3) {
        line.Error = "import takes a library file and at least one file or folder";
        return;
    }
    line.Options.File = words[1];
    line.Options.ImportPaths.assign(words.begin() + 2, words.end());
    line.Options.Model = model;
    line.Options.KeepDuplicates = keepDuplicates;
}

} // namespace

TCliCommandLine ParseCliCommandLine(const std::vector<std::string>& args) {
    TCliCommandLine line;
    TCliOptions& o = line.Options;

    QCommandLineParser parser;
    const QCommandLineOption help({"h", "help"}, "");
    const QCommandLineOption version("version", "");
    const QCommandLineOption force("force", "");
    const QCommandLineOption in("in", "", "NAME");
    const QCommandLineOption out("out", "", "NAME");
    const QCommandLineOption settings("settings", "", "FILE");
    const QCommandLineOption model("model", "", "NAME");
    const QCommandLineOption keepDuplicates("keep-duplicates", "");
    parser.addOptions({help, version, force, in, out, settings, model, keepDuplicates});

    QStringList arguments{"velcora-cli"};
    for (const std::string& a : args) {
        arguments << QString::fromStdString(a);
    }
    if (!parser.parse(arguments)) {
        line.Error = parser.errorText().toStdString();
        return line;
    }
    line.Help = parser.isSet(help);
    line.Version = parser.isSet(version);
    if (line.Help || line.Version) {
        return line;
    }
    o.Force = parser.isSet(force);
    o.In = parser.value(in).toStdString();
    o.Out = parser.value(out).toStdString();
    o.Settings = parser.value(settings).toStdString();
    if (parser.isSet(settings) && o.Settings.empty()) {
        line.Error = "--settings needs a file name";
        return line;
    }
    if (o.In.empty() != o.Out.empty()) {
        line.Error = "give both --in and --out, or neither";
        return line;
    }

    std::vector<std::string> words;
    for (const QString& word : parser.positionalArguments()) {
        words.push_back(word.toStdString());
    }
    if (words.empty()) {
        line.Error = "no command given";
        return line;
    }
    o.Command = words[0];
    if (o.Command == "import") {
        ParseImport(parser.value(model).toStdString(), parser.isSet(keepDuplicates), words, line);
        return line;
    }
    if (parser.isSet(keepDuplicates)) {
        line.Error = "--keep-duplicates is for the import command";
        return line;
    }
    if (o.Command == "midnam" || parser.isSet(model)) {
        ParseMidnam(words, parser.isSet(model), parser.value(model).toStdString(), line);
        return line;
    }
    const bool withBank = o.Command == "get-bank" || o.Command == "send-bank";
    const bool withFile =
        withBank || o.Command == "get-all" || o.Command == "get-edit" || o.Command == "send-edit";
    const size_t expected = 1 + (withBank ? 1 : 0) + (withFile ? 1 : 0);
    if (!withFile && o.Command != "devices" && o.Command != "identify") {
        line.Error = "unknown command " + o.Command;
    } else if (words.size() != expected) {
        line.Error = o.Command + " takes " + std::to_string(expected - 1) + " argument(s)";
    } else if (withBank) {
        const std::string& n = words[1];
        if (n.size() != 1 || n[0] < '0' || n[0] > '3') {
            line.Error = "the user bank is 0, 1, 2 or 3";
        } else {
            o.Bank = n[0] - '0';
        }
        o.File = words[2];
    } else if (withFile) {
        o.File = words[1];
    }
    return line;
}

std::string CliUsage() {
    return "Usage: velcora-cli [--in NAME --out NAME] [--settings FILE] [--force] [--model NAME]\n"
           "                  COMMAND\n"
           "       velcora-cli [--model NAME] [--keep-duplicates] import LIBFILE PATH...\n"
           "\n"
           "Commands:\n"
           "  devices               list the MIDI inputs and outputs\n"
           "  identify              ask the synth who it is\n"
           "  get-bank N FILE       fetch user bank N (0..3) into a bank file\n"
           "  get-all FILE          fetch the four user banks into an all-banks file\n"
           "  send-bank N FILE      send a bank file to user bank N\n"
           "  get-edit FILE         fetch the edit buffer into a single-patch file\n"
           "  send-edit FILE        send a single-patch file to the edit buffer\n"
           "  midnam FILE BANKFILE@N...  write the patch names of up to four bank files or\n"
           "                        of one all-banks file as a MIDNAM document for\n"
           "                        sequencers; @N says which user bank (0..3) a bank file\n"
           "                        holds (four files without it are banks 0..3 in order);\n"
           "                        --model NAME names the synth (e.g. \"Proteus 2000\"),\n"
           "                        else the synth is asked\n"
           "  import LIBFILE PATH...  add the presets found in files and folders (searched\n"
           "                        recursively) to a library file, created if missing\n"
           "    --model NAME        the model whose presets the library holds, named as\n"
           "                        velcora-virtual-synth --list-models names it; without it\n"
           "                        the synth is asked\n"
           "    --keep-duplicates   also add presets equal to one in the library but for\n"
           "                        the name\n"
           "\n"
           "  --in NAME, --out NAME the synth's MIDI devices, named as 'devices' lists them;\n"
           "                        without them the built-in virtual synth answers\n"
           "  --settings FILE       the settings file (pauses, blank file, remembered files);\n"
           "                        when not given, Velcora.INI beside the program if that\n"
           "                        folder is writable, else in ~/.config/velcora\n"
           "  --force               overwrite an existing FILE\n"
           "  -h, --help            show this text\n"
           "  --version             show the program's version\n"
           "Progress goes to standard error; a synth that does not answer, cancels or times\n"
           "out, or a MIDI output that stops with messages unsent, ends the program with\n"
           "exit code 1 and the message. Bad input (command line, files, devices) ends it\n"
           "with exit code 2. Ctrl-C stops a run with exit code 130; no file is written.\n"
           "With checked sends chosen for the synth, send-bank prints how many presets the\n"
           "synth confirmed; when some were not, it names their slots and exits with 1.\n";
}

} // namespace velcora
