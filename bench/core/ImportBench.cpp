// Importing a folder of single-preset files into the library: the import's time against the
// time to read the same bytes plainly, the peak memory after 1000 and after 10000 files (it
// should follow the library, not the number of files), and one folder of more presets than
// the library takes. Prints figures; passes or fails nothing.
#include "DumpMaker.h"
#include "LibraryImport.h"
#include "PatchContext.h"
#include "Patchlib.h"
#include "QuietDialogs.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

using namespace velcora;
using namespace velcora::test;

namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

/// The process's peak resident memory so far, in KiB.
long PeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

/// count single-preset files, each its own preset (seedBase 0: all the same one), in a new
/// folder.
std::string WriteSingles(const TTempDir& dir, const std::string& name, int count,
                         const TDumpSizes& sizes, uint32_t seedBase) {
    const std::string folder = dir.File(name);
    std::filesystem::create_directories(folder);
    char file[64];
    for (int i = 0; i < count; ++i) {
        TDumpSpec made;
        made.Seed = seedBase == 0 ? 7 : seedBase + static_cast<uint32_t>(i);
        made.Name = "Blk:Single";
        std::snprintf(file, sizeof file, "/%05d.syx", i);
        WriteBytes(folder + file, MakeDump(sizes, made));
    }
    return folder;
}

/// Reads every file's bytes as the import does, and nothing more: the floor of its time.
double PlainReadMs(const std::string& folder, size_t& bytes) {
    const auto start = TClock::now();
    bytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const TFileRead file = ReadFilePrefix(entry.path().string(), TLibraryImport::MaxFileBytes);
        bytes += file.Bytes.size();
    }
    return MsSince(start);
}

struct TRun {
    double Ms = 0;
    TImportSummary Summary;
};

TRun Import(TPatchContext& ctx, const std::string& folder) {
    TPatchLib lib(ctx);
    const auto start = TClock::now();
    TLibraryImport import(lib, ctx, true);
    import.CollectFiles({folder});
    import.ImportAll();
    return {MsSince(start), import.Summary()};
}

} // namespace

int main() {
    try {
        TQuietDialogs dialogs;
        TPatchContext ctx(dialogs);
        ctx.SetDefaultSizes(TModelClass::Proteus);
        TTempDir dir;
        const std::string small = WriteSingles(dir, "small", 1000, ctx.Sizes, 1);
        const std::string big = WriteSingles(dir, "big", 10000, ctx.Sizes, 100000);
        const std::string same = WriteSingles(dir, "same", 10000, ctx.Sizes, 0);

        size_t bytes = 0;
        PlainReadMs(big, bytes); // the page cache holds the files for both runs
        const double readMs = PlainReadMs(big, bytes);

        const TRun first = Import(ctx, small);
        const long peakSmall = PeakKiB();
        const TRun copies = Import(ctx, same);
        const long peakCopies = PeakKiB();
        const TRun second = Import(ctx, big);
        const long peakBig = PeakKiB();
        std::printf("import of single-preset files (%zu bytes in 10000 files):\n", bytes);
        std::printf("  plain read %8.1f ms, import %8.1f ms, ratio %.2f (target <= 2)\n", readMs,
                    second.Ms, second.Ms / readMs);
        std::printf("  %s\n", second.Summary.Text().c_str());
        std::printf("  peak memory (VmHWM): 1000 files, 1000 patches %ld KiB; then 10000 files, "
                    "1 patch (copies) %ld KiB; then 10000 files, 10000 patches %ld KiB\n",
                    peakSmall, peakCopies, peakBig);
        std::printf("  10000 copies: %.1f ms, %d added, %d duplicates\n", copies.Ms,
                    copies.Summary.Added, copies.Summary.Duplicates);
        std::printf("  1000 files: %.1f ms, %d added\n", first.Ms, first.Summary.Added);

        // More presets than the library holds, as banks of 128 in one folder.
        const std::string full = dir.File("full");
        std::filesystem::create_directories(full);
        const int banks = TPatchLib::MaxPatches / 128 + 4;
        char file[64];
        for (int b = 0; b < banks; ++b) {
            std::snprintf(file, sizeof file, "/bank%03d.syx", b);
            WriteBytes(full + file,
                       MakeDumps(ctx.Sizes, 128, 500000 + static_cast<uint32_t>(b) * 128));
        }
        const TRun limit = Import(ctx, full);
        std::printf("\none folder of %d banks (%d presets) into an empty library: %.1f ms\n", banks,
                    banks * 128, limit.Ms);
        std::printf("  %s\n", limit.Summary.Text().c_str());
        std::printf("  peak memory (VmHWM) %ld KiB\n", PeakKiB());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "import_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
