#include "pictavo/catalogue/undelete_stack.h"

#include <new>

namespace pictavo {

UndeleteStack::UndeleteStack(std::int32_t limit) : limit_(limit > 0 ? limit : 0) {}

bool UndeleteStack::Push(std::int32_t position) {
    if (Length() >= limit_) return false;
    try {
        entries_.push_back(position);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void UndeleteStack::Pop() {
    if (!entries_.empty()) entries_.pop_back();
}

void UndeleteStack::Clear() { std::vector<std::int32_t>().swap(entries_); }

}  // namespace pictavo
