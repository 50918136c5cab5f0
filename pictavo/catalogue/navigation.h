#pragma once
// Moves the displayed pair through the catalogue. Culled photos are invisible
// here. The operations answer true when the pair changed; the caller redraws.
#include <cstdint>

#include "pictavo/catalogue/pictavo_state.h"

namespace pictavo {

// A position below the count whose record is not culled.
bool IsPresent(const Catalogue& catalogue, std::int32_t position);
// First present position above p (p = −1 searches from 0), or −1.
std::int32_t NextPresentAfter(const Catalogue& catalogue, std::int32_t p);
// Last present position below p, or −1.
std::int32_t PreviousPresentBefore(const Catalogue& catalogue, std::int32_t p);

// left <- first present position at or above left; right <- the next present one.
bool SettlePair(PictavoState& state);
bool StepForward(PictavoState& state);
bool StepBack(PictavoState& state);
bool NextMonth(PictavoState& state);
bool NextYear(PictavoState& state);
bool PreviousMonth(PictavoState& state);
bool PreviousYear(PictavoState& state);
bool Home(PictavoState& state);

// First position whose every field is at least the same field of t; 0 when none.
std::int32_t FindStartPosition(const Catalogue& catalogue, const PhotoTime& t);

// Pair moves after a successful cull of the left or right photo.
void MoveAfterCullLeft(PictavoState& state);
void MoveAfterCullRight(PictavoState& state);
// Pair move around the restored position r; the caller then settles the pair.
void MoveAfterUndelete(PictavoState& state, std::int32_t r);

// Records the left photo's time as the start position when asked (and the left
// position is valid), then asks the view to draw both panes.
void DrawPair(PictavoState& state, bool recordStartPosition);

// The keys and buttons that move the pair.
enum class Move { PreviousMonth, PreviousYear, NextMonth, NextYear, Home, StepBack, StepForward };
bool ApplyMove(PictavoState& state, Move move);
// ApplyMove; when the pair changed, clears the status line and draws the pair
// recording the start position. Returns whether the pair changed.
bool MoveAndDraw(PictavoState& state, Move move);

}  // namespace pictavo
