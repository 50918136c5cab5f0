#include "cairnly/engine/partial_folders.h"

#include <algorithm>
#include <new>
#include <span>
#include <vector>

#include "cairnly/engine/parallel_runner.h"
#include "shared/selection_order.h"

namespace cairnly {

namespace {

// Holds the table's rebuild claim for one analysis.
class RebuildClaim {
  public:
    explicit RebuildClaim(PartialFolderTable& table)
        : table_(table), owned_(table.ClaimRebuild()) {}
    ~RebuildClaim() {
        if (owned_) table_.EndRebuild();
    }
    RebuildClaim(const RebuildClaim&) = delete;
    RebuildClaim& operator=(const RebuildClaim&) = delete;
    bool Owned() const { return owned_; }

  private:
    PartialFolderTable& table_;
    bool owned_;
};

class PartialAnalysis {
  public:
    PartialAnalysis(CairnlyState& state, ScanView& view, bool refresh)
        : state_(state),
          view_(view),
          refresh_(refresh),
          minPartial_(state.Criteria().EffectiveMinPartial()) {}

    void Run() {
        if (Abandoned()) return;
        Status(refresh_ ? "Refreshing duplicate file folders for partial duplicate folders"
                        : "Analyzing duplicate file folders for partial duplicate folders");
        state_.Partials.SetCount(0);
        if (!Collect()) return;
        if (Abandoned()) return;
        Status("Sorting partial duplicate folders based (largest to smallest)");
        if (!OrderMembers()) return;
        if (Abandoned()) return;
        Status("Matching partial duplicate folders");
        if (!Match()) return;
        if (Abandoned()) return;
        Status("Finalizing partial duplicate folder information");
        if (!Finalize()) return;
        view_.FillPartialFolders();
    }

  private:
    // A refresh gives up, silently, once a new scan has cleared the stale flag.
    bool Abandoned() const { return refresh_ && !state_.PartialPageStale.load(); }
    bool Stopped() const { return state_.Scan.StopRequested(); }
    void Status(const char* text) { state_.Services.SetStatus(text); }
    std::int32_t Count() const { return state_.Partials.Count(); }
    PartialFolderRecord& Record(std::int32_t i) {
        return *state_.Partials.At(static_cast<std::size_t>(i));
    }
    FileRecord& File(std::int32_t i) const {
        return *state_.FilesByFolder.At(static_cast<std::size_t>(i));
    }

    // After deletions a deleted file neither counts nor is a member.
    bool Counts(std::int32_t i) const {
        const FileRecord& f = File(i);
        return f.DupGroup >= 0 && (!refresh_ || f.IsNormal());
    }

    // Returns false when abandoned; a stop or a full table only ends collecting.
    bool Collect() {
        const std::int32_t n = state_.FilesByFolder.Count();
        std::int32_t serial = 0;
        for (std::int32_t i = 0; i < n;) {
            if (Abandoned()) return false;
            if (Stopped()) break;
            if (File(i).DupGroup <= 0) {
                ++i;
                continue;
            }
            // Files of one folder are contiguous; the same folder has the same number.
            std::int32_t k = i;
            while (k + 1 < n && File(k + 1).FolderNumber == File(k).FolderNumber) ++k;
            std::int32_t counted = 0, last = i;
            std::int64_t size = 0;
            for (std::int32_t x = i; x <= k; ++x) {
                if (x == k && !(k > i && counted > 0)) break;
                if (!Counts(x)) continue;
                ++counted;
                size += File(x).Size;
                last = x;
            }
            if (counted < minPartial_) {
                i = k + 1;
                continue;
            }
            if (state_.Partials.Full() || !AddRecord(++serial, i, last, counted, size)) break;
            i = last + 1;
        }
        return true;
    }

    bool AddRecord(std::int32_t serial, std::int32_t first, std::int32_t last, std::int32_t counted,
                   std::int64_t size) {
        auto record = std::unique_ptr<PartialFolderRecord>(new (std::nothrow) PartialFolderRecord);
        if (!record) return false;
        record->SerialNumber = serial;
        record->DuplicateCount = counted;
        record->DuplicateSize = size;
        const std::size_t cap = state_.Capacities.partialMembers;
        record->Members.reserve(
            std::min<std::size_t>(cap, static_cast<std::size_t>(last - first + 1)));
        for (std::int32_t x = first; x <= last && record->Members.size() < cap; ++x) {
            FileRecord& f = File(x);
            if (f.DupGroup <= 0 || !Counts(x)) continue;
            if (record->Members.empty()) {
                record->Path = f.FolderPath;
                record->MatchKey = f.DupGroup;
            }
            record->Members.push_back(&f);
        }
        // Append frees the record a previous run left in this slot.
        return state_.Partials.Append(std::move(record));
    }

    // Each record's members are ordered on their own, so the records are
    // shared between the cores; a stop leaves the ones not reached as they are.
    bool OrderMembers() {
        auto order = [this](std::size_t r) {
            PartialFolderRecord& rec = Record(static_cast<std::int32_t>(r));
            auto less = [](const FileRecord* a, const FileRecord* b) { return a->Size < b->Size; };
            auto before = [&](std::size_t i) {
                return i + 1 >= rec.Members.size() || !(Stopped() || Abandoned());
            };
            if (shared::SelectionOrder(rec.Members.begin(), rec.Members.end(), less, before))
                rec.MatchKey = rec.Members.back()->DupGroup;
        };
        ParallelRunner runner;
        runner.Run(static_cast<std::size_t>(Count()), order,
                   [this] { return Stopped() || Abandoned(); });
        return !Abandoned();
    }

    // For each group, the records (in table order) that hold a member of it, so
    // the search for partners looks only at folders that share the group. The
    // lists lie end to end in holders_, group g's from holderStart_[g]: group
    // numbers are dense, and one block costs far less than a list per group.
    void IndexGroups() {
        std::int32_t groups = 0;
        for (std::int32_t r = 0; r < Count(); ++r)
            for (const FileRecord* member : Record(r).Members)
                groups = std::max(groups, member->DupGroup + 1);
        holderStart_.assign(static_cast<std::size_t>(groups) + 1, 0);
        std::vector<std::int32_t> lastHolder(static_cast<std::size_t>(groups), -1);
        ForEachHolding([&](std::int32_t, std::size_t g) { ++holderStart_[g + 1]; }, lastHolder);
        for (std::size_t g = 1; g < holderStart_.size(); ++g)
            holderStart_[g] += holderStart_[g - 1];
        holders_.resize(holderStart_.back());
        std::vector<std::size_t> next(holderStart_.begin(), holderStart_.end() - 1);
        std::fill(lastHolder.begin(), lastHolder.end(), -1);
        ForEachHolding([&](std::int32_t r, std::size_t g) { holders_[next[g]++] = r; }, lastHolder);
    }

    // Calls visit(record, group) once for each group a record holds, records in
    // table order.
    template <typename Visit>
    void ForEachHolding(Visit visit, std::vector<std::int32_t>& lastHolder) {
        for (std::int32_t r = 0; r < Count(); ++r) {
            for (const FileRecord* member : Record(r).Members) {
                const auto g = static_cast<std::size_t>(member->DupGroup);
                if (lastHolder[g] == r) continue;
                lastHolder[g] = r;
                visit(r, g);
            }
        }
    }

    std::span<const std::int32_t> Holders(std::int32_t group) const {
        const auto g = static_cast<std::size_t>(group);
        return std::span<const std::int32_t>(holders_).subspan(
            holderStart_[g], holderStart_[g + 1] - holderStart_[g]);
    }

    // The records' MatchKeys side by side (keys_), so that the search for a
    // record with the same key reads one small block, not every record; every
    // change to a MatchKey while matching goes through here.
    bool Shares(std::int32_t a, std::int32_t b) {
        const bool shares = SharesEnough(Record(a), Record(b), minPartial_);
        keys_[static_cast<std::size_t>(a)] = Record(a).MatchKey;
        keys_[static_cast<std::size_t>(b)] = Record(b).MatchKey;
        return shares;
    }
    void SetMatchKey(std::int32_t r, std::int32_t key) {
        Record(r).MatchKey = key;
        keys_[static_cast<std::size_t>(r)] = key;
    }

    bool MatchByKey(std::int32_t c) {
        const std::int32_t key = keys_[static_cast<std::size_t>(c)];
        for (std::int32_t s = 0; s < Count() && !Stopped(); ++s) {
            if (s == c || keys_[static_cast<std::size_t>(s)] != key) continue;
            if (Shares(c, s)) return true;
        }
        return false;
    }

    bool MatchByOtherMembers(std::int32_t c) {
        PartialFolderRecord& rec = Record(c);
        for (std::int32_t m = rec.MemberCount() - 2; m >= 0; --m) {
            if (Stopped() || Abandoned()) return false;
            const std::int32_t g = rec.Members[static_cast<std::size_t>(m)]->DupGroup;
            const std::span<const std::int32_t> list = Holders(g);
            for (auto it = std::upper_bound(list.begin(), list.end(), c); it != list.end(); ++it) {
                if (!Shares(c, *it)) continue;
                SetMatchKey(c, g);
                SetMatchKey(*it, g);
                return true;
            }
        }
        return false;
    }

    bool Match() {
        IndexGroups();
        keys_.resize(static_cast<std::size_t>(Count()));
        for (std::int32_t r = 0; r < Count(); ++r)
            keys_[static_cast<std::size_t>(r)] = Record(r).MatchKey;
        for (std::int32_t c = 0; c < Count(); ++c) {
            if (Abandoned()) return false;
            if (Stopped()) break;
            if (MatchByKey(c) || MatchByOtherMembers(c)) continue;
            if (Stopped() || Abandoned()) break;
            SetMatchKey(c, -1);
        }
        return !Abandoned();
    }

    template <typename Key>
    bool OrderTable(Key key) {
        auto less = [&](const std::unique_ptr<PartialFolderRecord>& a,
                        const std::unique_ptr<PartialFolderRecord>& b) {
            return key(*a) < key(*b);
        };
        auto before = [&](std::size_t i) {
            return i + 1 >= static_cast<std::size_t>(Count()) || !(Stopped() || Abandoned());
        };
        return shared::SelectionOrder(state_.Partials.begin(), state_.Partials.end(), less, before);
    }

    // Gives each set of adjacent records with one MatchKey a number; returns how many.
    std::int32_t NumberSets() {
        std::int32_t number = 0;
        for (std::int32_t pos = 0; pos + 1 < Count(); ++pos) {
            const std::int32_t key = Record(pos).MatchKey;
            if (key == -1 || Record(pos + 1).MatchKey != key) continue;
            ++number;
            for (; pos < Count() && Record(pos).MatchKey == key; ++pos)
                Record(pos).PartialGroup = number;
            --pos;
        }
        return number;
    }

    // The set holding the largest folder gets 1, and so on.
    void RenumberBySize(std::int32_t sets) {
        struct SetSize {
            std::int32_t number;
            std::int64_t size;
        };
        std::vector<SetSize> sizes;
        for (std::int32_t n = 1; n <= sets; ++n) sizes.push_back({n, -1});
        for (std::int32_t r = 0; r < Count(); ++r) {
            const PartialFolderRecord& rec = Record(r);
            if (rec.PartialGroup > 0) {
                auto& entry = sizes[static_cast<std::size_t>(rec.PartialGroup - 1)];
                entry.size = std::max(entry.size, rec.DuplicateSize);
            }
        }
        shared::SelectionOrder(sizes.begin(), sizes.end(),
                               [](const SetSize& a, const SetSize& b) { return a.size > b.size; });
        std::vector<std::int32_t> rank(static_cast<std::size_t>(sets) + 1, -1);
        for (std::size_t i = 0; i < sizes.size(); ++i)
            rank[static_cast<std::size_t>(sizes[i].number)] = static_cast<std::int32_t>(i) + 1;
        for (std::int32_t r = 0; r < Count(); ++r) {
            PartialFolderRecord& rec = Record(r);
            if (rec.PartialGroup > 0)
                rec.PartialGroup = rank[static_cast<std::size_t>(rec.PartialGroup)];
        }
    }

    bool Finalize() {
        if (!OrderTable([](const PartialFolderRecord& r) { return r.MatchKey; }))
            return !Abandoned();
        RenumberBySize(NumberSets());
        if (Abandoned()) return false;
        OrderTable([](const PartialFolderRecord& r) { return r.PartialGroup; });
        return !Abandoned();
    }

    CairnlyState& state_;
    ScanView& view_;
    const bool refresh_;
    const std::int32_t minPartial_;
    std::vector<std::size_t> holderStart_;
    std::vector<std::int32_t> holders_;
    std::vector<std::int32_t> keys_;
};

}  // namespace

bool SharesEnough(PartialFolderRecord& a, PartialFolderRecord& b, std::int32_t minPartial) {
    std::int32_t common = 0;
    std::size_t ia = 0, ib = 0;
    while (ia < a.Members.size() && ib < b.Members.size()) {
        const std::int32_t ga = a.Members[ia]->DupGroup;
        const std::int32_t gb = b.Members[ib]->DupGroup;
        if (ga == gb) {
            ++ia;
            ++ib;
            if (++common >= minPartial) return true;
        } else if (ga > gb) {
            ++ia;
        } else {
            ++ib;
        }
    }
    if (common >= minPartial) return true;
    if (a.MemberCount() - common < minPartial) a.MatchKey = -1;
    if (b.MemberCount() - common < minPartial) b.MatchKey = -1;
    return false;
}

void FindPartialDuplicateFolders(CairnlyState& state, ScanView& view, bool refresh) {
    RebuildClaim claim(state.Partials);
    if (!claim.Owned()) return;
    PartialAnalysis analysis(state, view, refresh);
    analysis.Run();
}

}  // namespace cairnly
