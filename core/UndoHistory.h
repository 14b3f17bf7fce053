#pragma once

#include <QUndoStack>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace velcora {

class TPatchBank;
class TPatchLib;
class TPatchRec;

/// The history of changes to the banks and the library, as steps of a QUndoStack. Steps are
/// recorded by comparison: the history keeps the last recorded contents of every container as
/// immutable snapshots, and a step holds the lists before and after for each container that
/// changed. A patch that did not change keeps its snapshot, shared by every step that holds
/// it, so a step costs about one dump per changed patch.
class TUndoHistory {
public:
    using TSnap = std::shared_ptr<const TPatchRec>;
    using TSnapList = std::vector<TSnap>;
    /// Containers: the user banks 0..3, the ROM bank, the library.
    static constexpr int RomBank = 4;
    static constexpr int Library = 5;
    static constexpr int ContainerCount = 6;
    static constexpr int DefaultLimit = 100;
    /// The bank slots recorded: the shown slots and the hidden extension that pull-up reads.
    static constexpr int BankSlots = 256;

    /// The file a container was last loaded from or saved as, and what else names it: the
    /// library file the settings open at the next start, the ROM bank's label.
    struct TSource {
        std::string FileName;
        std::string Remembered;
        bool operator==(const TSource&) const = default;
    };
    using TSources = std::array<TSource, ContainerCount>;

    /// Puts a container's recorded list back into the live records; modified: whether its
    /// contents now differ from the file it names; source: the file it names again, or null
    /// when the step left the file alone.
    using TRestore = std::function<void(int container, const TSnapList& list, bool modified,
                                        const TSource* source)>;

    explicit TUndoHistory(TRestore restore, int limit = DefaultLimit);
    TUndoHistory(const TUndoHistory&) = delete;
    TUndoHistory& operator=(const TUndoHistory&) = delete;
    ~TUndoHistory();

    /// The live contents of a container, sharing the snapshots of patches unchanged since the
    /// last recording. The library's records are matched by address, then by content.
    TSnapList CaptureBank(int container, const TPatchBank& bank) const;
    TSnapList CaptureLibrary(const TPatchLib& lib);

    /// Forgets every step; the lists given become the base, all of it as saved as the
    /// clean marks say.
    void Reset(std::array<TSnapList, ContainerCount> lists,
               const std::array<bool, ContainerCount>& clean, const TSources& sources);
    /// Records one step from the present lists of the containers (an absent one is skipped:
    /// it is being filled and is not recorded now). clean: the containers whose modified mark
    /// is clear now, which take their present contents as the saved ones. sources: the files
    /// the containers name now; a load or a new library changes the file with the contents,
    /// and the step takes both back. True when a step was recorded.
    bool Commit(const std::string& label,
                std::array<std::optional<TSnapList>, ContainerCount> lists,
                const std::array<bool, ContainerCount>& clean, const TSources& sources);
    /// Takes the present lists as the recorded ones without a step, and notes the saved
    /// state of the containers whose mark is clear: a save or a send rewrites the addresses
    /// in the dumps, which is no change a person would take back.
    void Absorb(std::array<std::optional<TSnapList>, ContainerCount> lists,
                const std::array<bool, ContainerCount>& clean, const TSources& sources);
    /// Binds the live library records to the recorded list after the library was rebuilt
    /// from it.
    void BindLibrary(const TPatchLib& lib);

    bool CanUndo() const { return FStack.canUndo(); }
    bool CanRedo() const { return FStack.canRedo(); }
    void Undo() { FStack.undo(); }
    void Redo() { FStack.redo(); }
    std::string UndoText() const { return FStack.undoText().toStdString(); }
    std::string RedoText() const { return FStack.redoText().toStdString(); }
    int Count() const { return FStack.count(); }
    int Limit() const { return FStack.undoLimit(); }
    /// Bytes of the snapshots held by the base and the steps, each counted once.
    size_t SnapshotBytes() const;

    struct TChange {
        int Container = 0;
        TSnapList Before;
        TSnapList After;
        uint64_t BeforeRev = 0;
        uint64_t AfterRev = 0;
        /// Only a step that changed the file takes it back: after a Save As, undoing an edit
        /// keeps the file saved to.
        bool SourceChanged = false;
        TSource BeforeSource;
        TSource AfterSource;
    };
    /// Puts the containers of a step back as they were before (undo) or after it.
    void Apply(const std::vector<TChange>& changes, bool undo);

private:
    class TStep;

    void NoteClean(const std::array<bool, ContainerCount>& clean);
    /// The step at which the container was last loaded from or saved as its present file.
    uint64_t SavedRev(size_t container) const;

    QUndoStack FStack;
    TRestore FRestore;
    std::array<TSnapList, ContainerCount> FLast;
    /// The step that last changed each container (0: the base) and the one it was last
    /// loaded or saved at.
    std::array<uint64_t, ContainerCount> FRev{};
    std::array<uint64_t, ContainerCount> FSaved{};
    uint64_t FNextRev = 1;
    /// The file each container names now, and the step each file it named was last loaded
    /// or saved at: back to an older file, the contents are saved when they are that step's.
    TSources FSource;
    std::array<std::map<std::string, uint64_t>, ContainerCount> FSavedAt;
    /// The library's live records and the snapshot each was last recorded as.
    std::unordered_map<const TPatchRec*, TSnap> FLibByRec;
};

} // namespace velcora
