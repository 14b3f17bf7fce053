#include "UndoHistory.h"

#include "Patchbank.h"
#include "Patchlib.h"
#include "Patchrec.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace velcora {

namespace {

/// Whether the live record holds what the snapshot holds: the dump, the cached name and the
/// notes. The selected mark is the view's, not the contents.
bool SameContents(const TPatchRec& live, const TPatchRec& snap) {
    if (live.Name() != snap.Name()) {
        return false;
    }
    for (int n = 0; n < TPatchRec::NoteCount; ++n) {
        if (live.Note(n) != snap.Note(n)) {
            return false;
        }
    }
    const auto a = live.Dump().Bytes();
    const auto b = snap.Dump().Bytes();
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

TUndoHistory::TSnap Snapshot(const TPatchRec& live) {
    auto snap = std::make_shared<TPatchRec>();
    live.CopyTo(*snap);
    snap->SetSelected(false);
    return snap;
}

/// The last snapshot when the patch did not change, else a new one.
TUndoHistory::TSnap Record(const TPatchRec& live, const TUndoHistory::TSnap& last) {
    if (last != nullptr && SameContents(live, *last)) {
        return last;
    }
    return Snapshot(live);
}

size_t SnapBytes(const TPatchRec& snap) {
    size_t bytes = sizeof(TPatchRec) + snap.Name().capacity();
    for (int n = 0; n < TPatchRec::NoteCount; ++n) {
        bytes += snap.Note(n).capacity();
    }
    return bytes;
}

} // namespace

/// One step: the containers it changed. QUndoStack runs redo() when the step is pushed;
/// the change is already made then, so that first run does nothing.
class TUndoHistory::TStep final : public QUndoCommand {
public:
    TStep(TUndoHistory& history, const std::string& label, std::vector<TChange> changes)
        : QUndoCommand(QString::fromStdString(label)), FHistory(history),
          FChanges(std::move(changes)) {}

    void undo() override { FHistory.Apply(FChanges, true); }
    void redo() override {
        if (FPushed) {
            FHistory.Apply(FChanges, false);
        }
        FPushed = true;
    }
    const std::vector<TChange>& Changes() const { return FChanges; }

private:
    TUndoHistory& FHistory;
    std::vector<TChange> FChanges;
    bool FPushed = false;
};

TUndoHistory::TUndoHistory(TRestore restore, int limit) : FRestore(std::move(restore)) {
    FStack.setUndoLimit(limit);
}

TUndoHistory::~TUndoHistory() {
    // The steps refer to this history: they go before its other fields.
    FStack.clear();
}

TUndoHistory::TSnapList TUndoHistory::CaptureBank(int container, const TPatchBank& bank) const {
    const TSnapList& last = FLast.at(static_cast<size_t>(container));
    TSnapList list(BankSlots);
    for (int i = 0; i < BankSlots; ++i) {
        const auto at = static_cast<size_t>(i);
        list[at] = Record(bank.Slot(i), at < last.size() ? last[at] : nullptr);
    }
    return list;
}

TUndoHistory::TSnapList TUndoHistory::CaptureLibrary(const TPatchLib& lib) {
    TSnapList list;
    list.reserve(static_cast<size_t>(lib.Count()));
    std::unordered_map<const TPatchRec*, TSnap> byRec;
    byRec.reserve(static_cast<size_t>(lib.Count()));
    for (int i = 0; i < lib.Count(); ++i) {
        const TPatchRec& live = lib.Patch(i);
        // A record keeps its address when rows move; one freed and reused for another patch
        // differs in content and so gets a snapshot of its own.
        const auto found = FLibByRec.find(&live);
        TSnap snap = Record(live, found != FLibByRec.end() ? found->second : nullptr);
        byRec.emplace(&live, snap);
        list.push_back(std::move(snap));
    }
    FLibByRec = std::move(byRec);
    return list;
}

void TUndoHistory::BindLibrary(const TPatchLib& lib) {
    const TSnapList& list = FLast[Library];
    FLibByRec.clear();
    const int n = std::min(lib.Count(), static_cast<int>(list.size()));
    for (int i = 0; i < n; ++i) {
        FLibByRec.emplace(&lib.Patch(i), list[static_cast<size_t>(i)]);
    }
}

void TUndoHistory::Reset(std::array<TSnapList, ContainerCount> lists,
                         const std::array<bool, ContainerCount>& clean, const TSources& sources) {
    FStack.clear();
    FLast = std::move(lists);
    FRev.fill(0);
    FSource = sources;
    for (size_t c = 0; c < ContainerCount; ++c) {
        // A container unsaved at the base can never become saved by undoing.
        FSaved[c] = clean[c] ? 0 : UINT64_MAX;
        FSavedAt[c].clear();
        if (clean[c]) {
            FSavedAt[c][FSource[c].FileName] = 0;
        }
    }
    FNextRev = 1;
}

bool TUndoHistory::Commit(const std::string& label,
                          std::array<std::optional<TSnapList>, ContainerCount> lists,
                          const std::array<bool, ContainerCount>& clean, const TSources& sources) {
    std::vector<TChange> changes;
    const uint64_t rev = FNextRev;
    for (size_t c = 0; c < ContainerCount; ++c) {
        if (!lists[c].has_value() || (*lists[c] == FLast[c] && sources[c] == FSource[c])) {
            continue;
        }
        TChange change;
        change.Container = static_cast<int>(c);
        change.Before = std::move(FLast[c]);
        change.After = *lists[c];
        change.BeforeRev = FRev[c];
        change.AfterRev = rev;
        change.SourceChanged = sources[c] != FSource[c];
        change.BeforeSource = FSource[c];
        change.AfterSource = sources[c];
        FLast[c] = std::move(*lists[c]);
        FRev[c] = rev;
        FSource[c] = sources[c];
        if (change.SourceChanged) {
            // Another file: whether the contents are saved is now a question about it.
            FSaved[c] = SavedRev(c);
        }
        changes.push_back(std::move(change));
    }
    NoteClean(clean);
    if (changes.empty()) {
        return false;
    }
    ++FNextRev;
    FStack.push(new TStep(*this, label, std::move(changes))); // the stack owns its steps
    return true;
}

void TUndoHistory::Absorb(std::array<std::optional<TSnapList>, ContainerCount> lists,
                          const std::array<bool, ContainerCount>& clean, const TSources& sources) {
    for (size_t c = 0; c < ContainerCount; ++c) {
        if (lists[c].has_value()) {
            FLast[c] = std::move(*lists[c]);
            if (sources[c] != FSource[c]) {
                FSource[c] = sources[c];
                FSaved[c] = SavedRev(c);
            }
        }
    }
    NoteClean(clean);
}

void TUndoHistory::NoteClean(const std::array<bool, ContainerCount>& clean) {
    for (size_t c = 0; c < ContainerCount; ++c) {
        if (clean[c]) {
            FSaved[c] = FRev[c];
            FSavedAt[c][FSource[c].FileName] = FRev[c];
        }
    }
}

uint64_t TUndoHistory::SavedRev(size_t container) const {
    const auto& saved = FSavedAt[container];
    const auto found = saved.find(FSource[container].FileName);
    return found != saved.end() ? found->second : UINT64_MAX;
}

void TUndoHistory::Apply(const std::vector<TChange>& changes, bool undo) {
    for (const TChange& change : changes) {
        const auto c = static_cast<size_t>(change.Container);
        FLast[c] = undo ? change.Before : change.After;
        FRev[c] = undo ? change.BeforeRev : change.AfterRev;
        if (change.SourceChanged) {
            FSource[c] = undo ? change.BeforeSource : change.AfterSource;
            FSaved[c] = SavedRev(c);
        }
        FRestore(change.Container, FLast[c], FRev[c] != FSaved[c],
                 change.SourceChanged ? &FSource[c] : nullptr);
    }
}

size_t TUndoHistory::SnapshotBytes() const {
    std::unordered_set<const TPatchRec*> seen;
    size_t bytes = 0;
    const auto count = [&](const TSnapList& list) {
        bytes += list.capacity() * sizeof(TSnap);
        for (const TSnap& snap : list) {
            if (snap != nullptr && seen.insert(snap.get()).second) {
                bytes += SnapBytes(*snap);
            }
        }
    };
    for (const TSnapList& list : FLast) {
        count(list);
    }
    for (int i = 0; i < FStack.count(); ++i) {
        const auto* step = dynamic_cast<const TStep*>(FStack.command(i));
        if (step == nullptr) {
            continue;
        }
        for (const TChange& change : step->Changes()) {
            count(change.Before);
            count(change.After);
        }
    }
    return bytes;
}

} // namespace velcora
