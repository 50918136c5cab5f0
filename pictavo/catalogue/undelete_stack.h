#pragma once
// The order of culls, so that Undelete restores the most recent one first.
#include <climits>
#include <cstdint>
#include <vector>

namespace pictavo {

class UndeleteStack {
  public:
    // Only memory bounds the stack.
    static constexpr std::int32_t kUnlimited = INT32_MAX;

    // A smaller limit is for tests of a full stack.
    explicit UndeleteStack(std::int32_t limit = kUnlimited);

    std::int32_t Limit() const { return limit_; }
    std::int32_t Length() const { return static_cast<std::int32_t>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    // Entry at an index; −1 at and above the top.
    std::int32_t Entry(std::int32_t index) const {
        return index >= 0 && index < Length() ? entries_[static_cast<std::size_t>(index)] : -1;
    }
    // −1 when empty.
    std::int32_t Top() const { return Entry(Length() - 1); }

    // False when the stack is at its limit or out of memory (the cull then
    // cannot be undone).
    bool Push(std::int32_t position);
    void Pop();
    // Length 0, every entry −1.
    void Clear();

  private:
    std::int32_t limit_;
    std::vector<std::int32_t> entries_;
};

}  // namespace pictavo
