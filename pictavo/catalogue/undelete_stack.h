#pragma once
// The order of culls, so that Undelete restores the most recent one first.
#include <cstdint>
#include <vector>

namespace pictavo {

class UndeleteStack {
  public:
    static constexpr std::int32_t kCapacity = 100000;

    explicit UndeleteStack(std::int32_t capacity = kCapacity);

    std::int32_t Capacity() const { return static_cast<std::int32_t>(entries_.size()); }
    std::int32_t Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    // Entry at an index below the capacity; −1 above the top.
    std::int32_t Entry(std::int32_t index) const { return entries_[index]; }
    // −1 when empty.
    std::int32_t Top() const { return length_ > 0 ? entries_[length_ - 1] : -1; }

    // False when the stack is full (the cull then cannot be undone).
    bool Push(std::int32_t position);
    void Pop();
    // Length 0, every entry −1.
    void Clear();

  private:
    std::vector<std::int32_t> entries_;
    std::int32_t length_ = 0;
};

}  // namespace pictavo
