// An all-banks file: the four user banks are read whole or not at all.
#include "AllBanks.h"
#include "FuzzWorld.h"

#include <memory>

using namespace velcora;
using namespace velcora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    TFuzzWorld w(data[0]);
    std::array<std::unique_ptr<TPatchBank>, 4> owned;
    TUserBanks banks{};
    for (int n = 0; n < 4; ++n) {
        owned[static_cast<size_t>(n)] = std::make_unique<TPatchBank>(w.Ctx, n, "User", true);
        banks[static_cast<size_t>(n)] = owned[static_cast<size_t>(n)].get();
    }
    const int curUserBank = w.Ctx.CurUserBank;
    ReadAllBanks(w.Ctx, banks, std::span<const uint8_t>(data + 1, size - 1), (data[0] & 1) != 0);
    Require(w.Ctx.CurUserBank == curUserBank);
    return 0;
}
