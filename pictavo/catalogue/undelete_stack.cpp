#include "pictavo/catalogue/undelete_stack.h"

namespace pictavo {

UndeleteStack::UndeleteStack(std::int32_t capacity)
    : entries_(static_cast<std::size_t>(capacity > 0 ? capacity : 0), -1) {}

bool UndeleteStack::Push(std::int32_t position) {
    if (length_ >= Capacity()) return false;
    entries_[static_cast<std::size_t>(length_++)] = position;
    return true;
}

void UndeleteStack::Pop() {
    if (length_ == 0) return;
    entries_[static_cast<std::size_t>(--length_)] = -1;
}

void UndeleteStack::Clear() {
    entries_.assign(entries_.size(), -1);
    length_ = 0;
}

}  // namespace pictavo
