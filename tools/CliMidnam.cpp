#include "CliMidnam.h"

#include "AllBanks.h"
#include "CliRunner.h"
#include "ConsoleDialogs.h"
#include "Dialogs.h"
#include "Midnam.h"
#include "MidnamBanks.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchrec.h"
#include "SafeFile.h"
#include "Simid.h"
#include "SynthModel.h"

#include <QString>
#include <array>
#include <memory>
#include <ostream>

namespace velcora {

namespace {

int Refuse(std::ostream& err, const std::string& text) {
    err << text << "\n";
    return 2;
}

} // namespace

std::optional<TCliModel> CliModelByName(const std::string& name) {
    const emu::TSynthModel* model = emu::FindSynthModel(name);
    if (model == nullptr) {
        return std::nullopt;
    }
    return TCliModel{model->Name, static_cast<TModelClass>(model->Class)};
}

int RunMidnam(const TCliOptions& o, const TCliModel& model, std::ostream& err) {
    TConsoleDialogs dialogs(err);
    TPatchContext ctx(dialogs);
    ctx.SetDefaultSizes(model.Class);
    const size_t bankSize = static_cast<size_t>(TPatchBank::SlotCount) * ctx.Sizes.TotalSize();
    if (bankSize == 0) {
        return Refuse(err, "The model " + model.Name + " has no known preset size.");
    }

    // The all-banks reader checks the first dump on a patch of its own.
    TPatchRec probe;
    probe.Init(ctx);
    ctx.ProbePatch = &probe;
    std::array<std::unique_ptr<TPatchBank>, 4> banks;
    for (int n = 0; n < 4; ++n) {
        banks[static_cast<size_t>(n)] =
            std::make_unique<TPatchBank>(ctx, n, "User " + std::to_string(n), false);
    }
    std::array<bool, 4> loaded{};
    for (size_t i = 0; i < o.BankFiles.size(); ++i) {
        const std::string& file = o.BankFiles[i];
        const int bank = i < o.BankNumbers.size() ? o.BankNumbers[i] : -1;
        // One byte past an all-banks file tells a longer file from one that fits.
        const TFileRead read = ReadFilePrefix(file, 4 * bankSize + 1);
        if (!read.Ok) {
            return Refuse(err, "Can't read the file " + file + ": " + read.Error);
        }
        const bool allBanks = read.Bytes.size() > bankSize;
        if (allBanks && (o.BankFiles.size() > 1 || bank >= 0)) {
            return Refuse(err, file + " holds more than one bank: give an all-banks file alone.");
        }
        if (allBanks) {
            if (read.Bytes.size() > 4 * bankSize ||
                !ReadAllBanks(ctx, {banks[0].get(), banks[1].get(), banks[2].get(), banks[3].get()},
                              read.Bytes, true)) {
                return Refuse(err, file + " is not an all-banks file of the " + model.Name + ".");
            }
            loaded.fill(true);
            break;
        }
        // The bank select written for these names must be the bank the file holds.
        if (bank < 0) {
            return Refuse(err, file + " holds one bank: say which user bank, as " + file +
                                   "@N (N = 0..3).");
        }
        ctx.CurUserBank = bank;
        if (!banks[static_cast<size_t>(bank)]->LoadBytes(read.Bytes)) {
            return Refuse(err, file + " is not a bank file of the " + model.Name + ".");
        }
        loaded[static_cast<size_t>(bank)] = true;
    }

    std::vector<TMidnamBank> named;
    for (int n = 0; n < 4; ++n) {
        if (loaded[static_cast<size_t>(n)]) {
            named.push_back(UserMidnamBank(*banks[static_cast<size_t>(n)], n));
        }
    }
    const std::string text = MidnamDocument(model.Name, named);
    const TFileWrite w =
        WriteFileAtomically(o.File, std::vector<uint8_t>(text.begin(), text.end()));
    if (!w.Ok) {
        return Refuse(err, "Can't save the file " + o.File + ": " + w.Error);
    }
    return 0;
}

} // namespace velcora
