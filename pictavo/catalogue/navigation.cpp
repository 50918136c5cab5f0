#include "pictavo/catalogue/navigation.h"

#include <algorithm>

namespace pictavo {
namespace {

using Period = std::uint32_t;

// Year and month as one number that compares year first.
Period YearMonth(const PhotoRecord& r) {
    return (Period{r.photoTime.year} << 16) | r.photoTime.month;
}
Period YearOnly(const PhotoRecord& r) { return r.photoTime.year; }

// Walks down from left - 1 to the first present photo of an earlier period, then
// on to the lowest present photo of that same period.
bool PreviousPeriod(PictavoState& state, Period (*period)(const PhotoRecord&)) {
    const Catalogue& c = state.catalogue;
    const PhotoRecord* left = c.At(state.leftIndex);
    if (!left) return false;
    const Period current = period(*left);
    std::int32_t found = -1;
    for (std::int32_t p = state.leftIndex - 1; p >= 0; --p) {
        if (IsPresent(c, p) && period(*c.At(p)) < current) {
            found = p;
            break;
        }
    }
    if (found < 0) return false;
    const Period target = period(*c.At(found));
    for (std::int32_t p = found - 1; p >= 0; --p) {
        if (!IsPresent(c, p)) continue;
        if (period(*c.At(p)) != target) break;
        found = p;
    }
    state.leftIndex = found;
    state.rightIndex = NextPresentAfter(c, found);
    return true;
}

bool NextPeriod(PictavoState& state, Period (*period)(const PhotoRecord&)) {
    const Catalogue& c = state.catalogue;
    const PhotoRecord* left = c.At(state.leftIndex);
    if (!left) return false;
    const Period current = period(*left);
    const std::int32_t count = c.Count();
    for (std::int32_t p = std::max(state.rightIndex + 1, 0); p < count; ++p) {
        if (IsPresent(c, p) && period(*c.At(p)) > current) {
            state.leftIndex = p;
            state.rightIndex = NextPresentAfter(c, p);
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsPresent(const Catalogue& catalogue, std::int32_t position) {
    const PhotoRecord* record = catalogue.At(position);
    return record && record->state != PhotoState::Culled;
}

std::int32_t NextPresentAfter(const Catalogue& catalogue, std::int32_t p) {
    const std::int32_t count = catalogue.Count();
    for (std::int32_t q = std::max(p + 1, 0); q < count; ++q)
        if (IsPresent(catalogue, q)) return q;
    return -1;
}

std::int32_t PreviousPresentBefore(const Catalogue& catalogue, std::int32_t p) {
    for (std::int32_t q = std::min(p - 1, catalogue.Count() - 1); q >= 0; --q)
        if (IsPresent(catalogue, q)) return q;
    return -1;
}

bool SettlePair(PictavoState& state) {
    const Catalogue& c = state.catalogue;
    std::int32_t left = std::max<std::int32_t>(state.leftIndex, 0);
    if (!IsPresent(c, left)) left = NextPresentAfter(c, left);
    state.leftIndex = left;
    state.rightIndex = left < 0 ? -1 : NextPresentAfter(c, left);
    return true;
}

bool StepForward(PictavoState& state) {
    std::int32_t q = NextPresentAfter(state.catalogue, state.rightIndex);
    if (q < 0) return false;
    state.leftIndex = state.rightIndex.load();
    state.rightIndex = q;
    return true;
}

bool StepBack(PictavoState& state) {
    std::int32_t q = PreviousPresentBefore(state.catalogue, state.leftIndex);
    if (q < 0) return false;
    state.rightIndex = state.leftIndex.load();
    state.leftIndex = q;
    return true;
}

bool NextMonth(PictavoState& state) { return NextPeriod(state, YearMonth); }
bool NextYear(PictavoState& state) { return NextPeriod(state, YearOnly); }
bool PreviousMonth(PictavoState& state) { return PreviousPeriod(state, YearMonth); }
bool PreviousYear(PictavoState& state) { return PreviousPeriod(state, YearOnly); }

bool Home(PictavoState& state) {
    state.leftIndex = 0;
    return SettlePair(state);
}

std::int32_t FindStartPosition(const Catalogue& catalogue, const PhotoTime& t) {
    const std::int32_t count = catalogue.Count();
    for (std::int32_t p = 0; p < count; ++p) {
        const PhotoRecord* r = catalogue.At(p);
        if (!r) continue;
        const PhotoTime& f = r->photoTime;
        if (f.year >= t.year && f.month >= t.month && f.day >= t.day && f.hour >= t.hour &&
            f.minute >= t.minute && f.second >= t.second)
            return p;
    }
    return 0;
}

void MoveAfterCullLeft(PictavoState& state) {
    const std::int32_t oldRight = state.rightIndex;
    state.leftIndex = oldRight;
    state.rightIndex = NextPresentAfter(state.catalogue, oldRight);
}

void MoveAfterCullRight(PictavoState& state) {
    state.rightIndex = NextPresentAfter(state.catalogue, state.rightIndex);
}

void MoveAfterUndelete(PictavoState& state, std::int32_t r) {
    const Catalogue& c = state.catalogue;
    if (NextPresentAfter(c, r) >= 0) {
        state.leftIndex = r;
    } else if (PreviousPresentBefore(c, r) >= 0) {
        state.rightIndex = r;
        state.leftIndex = PreviousPresentBefore(c, r);
    } else {
        // The only present photo: show it rather than leave the panes as they were.
        state.leftIndex = r;
    }
}

void DrawPair(PictavoState& state, bool recordStartPosition) {
    const std::int32_t left = state.leftIndex;
    const std::int32_t right = state.rightIndex;
    if (recordStartPosition) {
        if (const PhotoRecord* record = state.catalogue.At(left))
            state.settings.setStartPosition(record->photoTime);
    }
    state.View().DrawPair(left, right, recordStartPosition);
}

bool ApplyMove(PictavoState& state, Move move) {
    switch (move) {
        case Move::PreviousMonth:
            return PreviousMonth(state);
        case Move::PreviousYear:
            return PreviousYear(state);
        case Move::NextMonth:
            return NextMonth(state);
        case Move::NextYear:
            return NextYear(state);
        case Move::Home:
            return Home(state);
        case Move::StepBack:
            return StepBack(state);
        case Move::StepForward:
            return StepForward(state);
    }
    return false;
}

bool MoveAndDraw(PictavoState& state, Move move) {
    if (!ApplyMove(state, move)) return false;
    state.services.SetStatus("");
    DrawPair(state, true);
    return true;
}

}  // namespace pictavo
