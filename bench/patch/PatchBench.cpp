// Speed and memory of the patch layer at the library's limit: a 20000-patch library file
// (about 32 MB). Every figure is printed beside a baseline measured in the same run, as a
// ratio; nothing here passes or fails.
#include "ByteStream.h"
#include "Dialogs.h"
#include "DumpMaker.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchlib.h"
#include "Patchrec.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_set>

using namespace velcora;
using namespace velcora::test;

namespace {

constexpr int LibrarySize = TPatchLib::MaxPatches;

/// Dialogs answered as by a person who saves over an older file: the save dialog takes
/// SavePath (cancelled while it is empty), every question is answered Yes or Ok (a .BAK of
/// the old file kept), an open dialog is cancelled.
class TSavingDialogs : public IDialogs {
public:
    TAnswer MessageBox(TMessageKind, const std::string&, TButtons buttons) override {
        return buttons == TButtons::Ok || buttons == TButtons::OkCancel ? TAnswer::Ok
                                                                        : TAnswer::Yes;
    }
    TFileChoice OpenFile(const std::string&, const std::string&, const std::string&,
                         const std::string& name) override {
        return {false, name};
    }
    TFileChoice SaveFile(const std::string&, const std::string&, const std::string&,
                         const std::string& name) override {
        return SavePath.empty() ? TFileChoice{false, name} : TFileChoice{true, SavePath};
    }
    std::string SavePath;
};

/// The patch layer's surroundings as the workspace provides them: the context of the
/// Proteus 2000 family, a blank and a probe patch, the clipboard.
struct TPatchWorld {
    TPatchWorld() {
        Ctx.SetDefaultSizes(TModelClass::Proteus);
        TDumpSpec blank;
        blank.Name = "---:Blank       ";
        blank.Low = 127;
        blank.High = 127;
        const auto bytes = MakeDump(Ctx.Sizes, blank);
        TByteReader in(bytes);
        Blank.ReadDump(in, Ctx);
        Blank.Dump().Slot(0)[8] = 127; // the blank keeps its out-of-range preset number
        Ctx.BlankPatch = &Blank;
        Ctx.ProbePatch = &Probe;
        Ctx.ClipBank = &Clip;
    }
    TSavingDialogs Dialogs;
    TPatchContext Ctx{Dialogs};
    TPatchRec Blank;
    TPatchRec Probe;
    TPatchBank Clip{Ctx, TPatchBank::ClipBankNumber, "Buffer", false};
};

// One world for every benchmark: the library file and its bytes are made once.
struct TBenchWorld {
    TBenchWorld() {
        // 10% of the patches are copies of earlier ones under another name.
        std::mt19937 rng(7);
        std::vector<TLibRecord> records;
        records.reserve(LibrarySize);
        for (int i = 0; i < LibrarySize; ++i) {
            TDumpSpec made;
            made.Seed = static_cast<uint32_t>(i + 1);
            if (i > 0 && rng() % 10 == 0) {
                made.Seed = static_cast<uint32_t>(rng() % static_cast<uint32_t>(i) + 1);
            }
            made.Name = "Bch:" + std::to_string(i);
            records.push_back(
                {{"note " + std::to_string(i), "", ""}, MakeDump(World.Ctx.Sizes, made)});
        }
        Bytes = LibraryBytes(LibrarySize, records);
        Size = Bytes.size();
        Path = Dir.File("big.lib");
        WriteBytes(Path, Bytes);
    }
    TPatchWorld World;
    TTempDir Dir;
    std::string Path;
    std::vector<uint8_t> Bytes;
    size_t Size = 0;
};

TBenchWorld& Bench() {
    static TBenchWorld w;
    return w;
}

void BM_ReadFileOneRead(benchmark::State& state) {
    auto& b = Bench();
    for (auto _ : state) {
        // Into fresh memory, as the first load of a library in a run goes: the allocator
        // would otherwise hand back the same warm pages every time.
        void* buf =
            ::mmap(nullptr, b.Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        const int fd = ::open(b.Path.c_str(), O_RDONLY);
        const ssize_t n = ::read(fd, buf, b.Size);
        ::close(fd);
        benchmark::DoNotOptimize(n);
        ::munmap(buf, b.Size);
    }
}

void BM_LoadLibrary(benchmark::State& state) {
    auto& b = Bench();
    for (auto _ : state) {
        auto lib = std::make_unique<TPatchLib>(b.World.Ctx);
        lib->LoadFileByName(b.Path);
        benchmark::DoNotOptimize(lib->Count());
        state.PauseTiming(); // freeing 20000 patches is not part of loading
        lib.reset();
        state.ResumeTiming();
    }
}

/// What saving a library over an older one comes to on this file system, done with bare
/// system calls: a new file beside the target, one write, fdatasync, the old file renamed to
/// its .BAK (replacing the one before) and the new file renamed over it. The program's own save
/// takes the same steps, so the ratio shows only what the program adds.
void BM_SaveBare(benchmark::State& state) {
    auto& b = Bench();
    const std::string path = b.Dir.File("bare.lib");
    const std::string bak = BackupName(path);
    const std::string temp = path + ".new";
    WriteBytes(path, b.Bytes);
    for (auto _ : state) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const ssize_t n = ::write(fd, b.Bytes.data(), b.Bytes.size());
        ::fdatasync(fd);
        ::close(fd);
        ::rename(path.c_str(), bak.c_str());
        ::rename(temp.c_str(), path.c_str());
        benchmark::DoNotOptimize(n);
    }
}

/// The program's save of a library over an older one, keeping the old one as .BAK.
void BM_SaveLibrary(benchmark::State& state) {
    auto& b = Bench();
    TPatchLib lib(b.World.Ctx);
    lib.LoadFileByName(b.Path);
    const std::string path = b.Dir.File("saved.lib");
    WriteBytes(path, b.Bytes);
    b.World.Dialogs.SavePath = path;
    for (auto _ : state) {
        if (!lib.SaveFileDialog()) {
            state.SkipWithError("the library was not saved");
            break;
        }
    }
    b.World.Dialogs.SavePath.clear();
}

TPatchLib& LoadedLibrary() {
    static TPatchLib lib(Bench().World.Ctx);
    if (lib.Count() == 0) {
        lib.LoadFileByName(Bench().Path);
    }
    return lib;
}

void BM_HashPass(benchmark::State& state) {
    auto& lib = LoadedLibrary();
    const TDumpSizes& sizes = Bench().World.Ctx.Sizes;
    for (auto _ : state) {
        uint64_t h = 0;
        for (int i = 0; i < lib.Count(); ++i) {
            h ^= lib.Patch(i).Dump().CompareHash(sizes);
        }
        benchmark::DoNotOptimize(h);
    }
}

void BM_DeDup(benchmark::State& state) {
    auto& lib = LoadedLibrary();
    int marked = 0;
    for (auto _ : state) {
        marked = lib.DeDup();
    }
    state.counters["duplicates"] = marked;
}

void BM_DeDupQuadratic(benchmark::State& state) {
    auto& lib = LoadedLibrary();
    const TDumpSizes& sizes = Bench().World.Ctx.Sizes;
    int marked = 0;
    for (auto _ : state) {
        marked = 0;
        for (int p = lib.Count() - 1; p >= 1; --p) {
            for (int q = p - 1; q >= 0; --q) {
                if (lib.Patch(p).Dump().SameIgnoringName(lib.Patch(q).Dump(), sizes)) {
                    ++marked;
                    break;
                }
            }
        }
    }
    state.counters["duplicates"] = marked;
}

void BM_AddBankToLibrary(benchmark::State& state) {
    auto& w = Bench().World;
    TPatchLib lib(w.Ctx);
    lib.LoadFileByName(Bench().Path);
    lib.DeselectAll();
    for (int i = 0; i < 128; ++i) {
        lib.Patch(lib.Count() - 1 - i).SetSelected(true);
    }
    lib.DeleteSelected(); // 19872 patches
    TPatchBank bank(w.Ctx, 0, "User 0", true);
    for (auto _ : state) {
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            lib.Add(bank.Slot(i));
        }
        state.PauseTiming();
        lib.DeleteSelected(); // the added patches come marked
        state.ResumeTiming();
    }
}

void BM_PasteAtRow0(benchmark::State& state) {
    auto& w = Bench().World;
    TPatchLib lib(w.Ctx);
    lib.LoadFileByName(Bench().Path);
    for (int i = 0; i < 128; ++i) {
        lib.Patch(i).SetSelected(true);
    }
    lib.CopySelection();
    lib.DeleteSelected(); // 19872 patches, 128 on the clipboard
    for (auto _ : state) {
        state.PauseTiming();
        lib.DeselectAll();
        lib.Patch(0).SetSelected(true);
        state.ResumeTiming();
        lib.Paste();
        state.PauseTiming();
        lib.DeleteSelected(); // the pasted patches stay marked
        state.ResumeTiming();
    }
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

class TCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find("/min_time"));
            name = name.substr(0, name.find("/iterations"));
            Times[name] = 1e3 * r.real_accumulated_time / static_cast<double>(r.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};

} // namespace

BENCHMARK(BM_ReadFileOneRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadLibrary)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveBare)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveLibrary)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HashPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeDup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeDupQuadratic)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AddBankToLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PasteAtRow0)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    // In a fresh process: load the library file named and print the resident memory.
    if (argc == 3 && std::string(argv[1]) == "--resident") {
        TPatchWorld world;
        const long before = ResidentKiB();
        TPatchLib lib(world.Ctx);
        lib.LoadFileByName(argv[2]);
        std::printf("%d %ld %ld\n", lib.Count(), before, ResidentKiB());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    Bench();
    int loaded = 0;
    long before = 0;
    long after = 0;
    char self[4096] = {};
    const ssize_t len = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string command = std::string(self, len > 0 ? static_cast<size_t>(len) : 0) +
                                " --resident '" + Bench().Path + "'";
    if (FILE* child = ::popen(command.c_str(), "r")) {
        if (std::fscanf(child, "%d %ld %ld", &loaded, &before, &after) != 3) {
            loaded = -1;
        }
        ::pclose(child);
    }
    std::printf("library of %d patches: %.1f MB on disk\n", loaded,
                static_cast<double>(Bench().Size) / 1e6);
    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    auto t = [&](const char* name) { return collector.Times[name]; };
    std::printf("\n== figures\n");
    std::printf("load .lib / one read:                 %.2f  (target <= 3)\n",
                t("BM_LoadLibrary") / t("BM_ReadFileOneRead"));
    std::printf("save .lib / the same steps bare:      %.2f  (target <= 3)\n",
                t("BM_SaveLibrary") / t("BM_SaveBare"));
    std::printf("DeDup / one hash pass:                %.2f  (target <= 5)\n",
                t("BM_DeDup") / t("BM_HashPass"));
    if (t("BM_DeDupQuadratic") > 0) {
        std::printf("quadratic reference / DeDup:          %.0f  (target >= 100)\n",
                    t("BM_DeDupQuadratic") / t("BM_DeDup"));
    }
    std::printf("add a 128-slot bank to 19872 patches: %.3f ms  (target < 1)\n",
                t("BM_AddBankToLibrary"));
    std::printf("paste 128 patches at row 0:           %.3f ms  (target < 1)\n",
                t("BM_PasteAtRow0"));
    std::printf("resident memory with a full library:  %.1f MB for the whole process, of "
                "which %.1f MB the library  (target < 80)\n",
                static_cast<double>(after) / 1024.0, static_cast<double>(after - before) / 1024.0);
    benchmark::Shutdown();
    return 0;
}
