// Moving the displayed pair: steps, month and year walks, start position and
// the moves after a cull or an undelete.
#include "pictavo/catalogue/navigation.h"

#include <gtest/gtest.h>

#include "tests/pictavo/catalogue/photo_fixtures.h"

namespace pictavo {
namespace {

using photo_fixtures::Harness;
using photo_fixtures::Time;

class Navigation : public ::testing::Test {
  protected:
    void Add(const PhotoTime& t, bool culled = false) {
        photo_fixtures::AddRecord(h.state.catalogue, t);
        if (culled) h.state.catalogue.At(h.state.catalogue.Count() - 1)->state = PhotoState::Culled;
    }
    void Pair(std::int32_t left, std::int32_t right) {
        h.state.leftIndex = left;
        h.state.rightIndex = right;
    }
    std::pair<std::int32_t, std::int32_t> Shown() const {
        return {h.state.leftIndex, h.state.rightIndex};
    }
    using P = std::pair<std::int32_t, std::int32_t>;

    Harness h;
};

TEST_F(Navigation, PageUpWalksToTheFirstPhotoOfEachEarlierMonth) {
    Add(Time(2015, 3, 10));  // 0
    Add(Time(2015, 3, 20));  // 1
    Add(Time(2015, 5, 1));   // 2
    Add(Time(2015, 5, 2));   // 3
    Add(Time(2015, 6, 1));   // 4
    Add(Time(2015, 6, 2));   // 5
    Pair(5, -1);
    EXPECT_TRUE(PreviousMonth(h.state));
    EXPECT_EQ(Shown(), P(2, 3));
    EXPECT_TRUE(PreviousMonth(h.state));
    EXPECT_EQ(Shown(), P(0, 1));
    EXPECT_FALSE(PreviousMonth(h.state));
    EXPECT_EQ(Shown(), P(0, 1));
}

TEST_F(Navigation, MonthWalksSkipCulledPhotosWithoutStopping) {
    Add(Time(2015, 4, 1));        // 0
    Add(Time(2015, 5, 1), true);  // 1 culled: first of May, not shown
    Add(Time(2015, 5, 2));        // 2
    Add(Time(2015, 5, 3), true);  // 3 culled
    Add(Time(2015, 5, 4));        // 4
    Add(Time(2015, 6, 1));        // 5
    Add(Time(2015, 7, 1), true);  // 6 culled: July has no present photo
    Pair(5, -1);
    EXPECT_TRUE(PreviousMonth(h.state));
    EXPECT_EQ(Shown(), P(2, 4));
    Pair(0, 2);
    EXPECT_TRUE(NextMonth(h.state));  // the walk starts above the right pane
    EXPECT_EQ(Shown(), P(4, 5));
    EXPECT_FALSE(NextMonth(h.state));  // June is in the right pane, July is all culled
    EXPECT_EQ(Shown(), P(4, 5));
}

TEST_F(Navigation, PageDownMovesToTheNextMonthOrYearThatHasPhotos) {
    Add(Time(2014, 1, 1));  // 0
    Add(Time(2014, 1, 2));  // 1
    Add(Time(2014, 2, 1));  // 2
    Add(Time(2014, 9, 1));  // 3
    Add(Time(2016, 1, 1));  // 4
    Add(Time(2016, 3, 1));  // 5
    Pair(0, 1);
    EXPECT_TRUE(NextMonth(h.state));
    EXPECT_EQ(Shown(), P(2, 3));
    Pair(0, 1);
    EXPECT_TRUE(NextYear(h.state));
    EXPECT_EQ(Shown(), P(4, 5));
    EXPECT_FALSE(NextYear(h.state));
    EXPECT_FALSE(NextMonth(h.state));  // March 2016 is already in the right pane
    Pair(4, -1);
    EXPECT_TRUE(NextMonth(h.state));  // an empty right pane walks from position 0
    EXPECT_EQ(Shown(), P(5, -1));
    EXPECT_FALSE(NextMonth(h.state));
}

TEST_F(Navigation, ShiftPageUpGoesToTheFirstPhotoOfThePreviousYearWithPhotos) {
    Add(Time(2012, 5, 1));  // 0
    Add(Time(2012, 8, 1));  // 1
    Add(Time(2014, 1, 1));  // 2
    Add(Time(2014, 2, 1));  // 3
    Pair(2, 3);
    EXPECT_TRUE(PreviousYear(h.state));
    EXPECT_EQ(Shown(), P(0, 1));
    EXPECT_FALSE(PreviousYear(h.state));
}

TEST_F(Navigation, WalksDoNothingWithAnEmptyLeftPane) {
    Add(Time(2014, 1, 1));
    Add(Time(2015, 1, 1));
    for (auto walk : {PreviousMonth, PreviousYear, NextMonth, NextYear}) {
        Pair(-1, 0);
        EXPECT_FALSE(walk(h.state));
        EXPECT_EQ(Shown(), P(-1, 0));
    }
}

TEST_F(Navigation, SinglePhotoWrapsIntoTheRightPane) {
    Add(Time(2014, 1, 1), true);
    Add(Time(2014, 1, 2));
    Pair(0, 0);
    EXPECT_TRUE(SettlePair(h.state));
    EXPECT_EQ(Shown(), P(1, -1));
    EXPECT_TRUE(StepForward(h.state));
    EXPECT_EQ(Shown(), P(-1, 1));
    EXPECT_FALSE(StepForward(h.state));
    EXPECT_FALSE(StepBack(h.state));
    EXPECT_EQ(Shown(), P(-1, 1));
}

TEST_F(Navigation, StepsSkipCulledPhotosAndStopAtTheEnds) {
    for (int i = 0; i < 5; ++i) Add(Time(2014, 1, 1 + i), i == 2);
    Pair(0, 1);
    EXPECT_FALSE(StepBack(h.state));
    EXPECT_TRUE(StepForward(h.state));
    EXPECT_EQ(Shown(), P(1, 3));
    EXPECT_TRUE(StepForward(h.state));
    EXPECT_EQ(Shown(), P(3, 4));
    EXPECT_FALSE(StepForward(h.state));
    EXPECT_TRUE(StepBack(h.state));
    EXPECT_EQ(Shown(), P(1, 3));
    EXPECT_TRUE(Home(h.state));
    EXPECT_EQ(Shown(), P(0, 1));
}

TEST_F(Navigation, SettleAndPresenceOnAnEmptyOrFullyCulledCatalogue) {
    EXPECT_TRUE(SettlePair(h.state));
    EXPECT_EQ(Shown(), P(-1, -1));
    Add(Time(2014, 1, 1), true);
    EXPECT_FALSE(IsPresent(h.state.catalogue, 0));
    EXPECT_FALSE(IsPresent(h.state.catalogue, 1));
    EXPECT_FALSE(IsPresent(h.state.catalogue, -1));
    EXPECT_EQ(NextPresentAfter(h.state.catalogue, -1), -1);
    EXPECT_EQ(PreviousPresentBefore(h.state.catalogue, 5), -1);
}

TEST_F(Navigation, StartPositionComparesEachFieldByItself) {
    Add(Time(2015, 6, 29, 23, 59, 59));  // 0
    Add(Time(2015, 7, 1, 0, 0, 0));      // 1: day 1 < 30, does not qualify
    Add(Time(2016, 8, 31, 23, 59, 59));  // 2
    EXPECT_EQ(FindStartPosition(h.state.catalogue, Time(2015, 6, 30, 23, 59, 59)), 2);
    EXPECT_EQ(FindStartPosition(h.state.catalogue, Time(2015, 7, 1)), 1);
    EXPECT_EQ(FindStartPosition(h.state.catalogue, Time(2017, 1, 1)), 0);
    EXPECT_EQ(FindStartPosition(h.state.catalogue, Time(2015, 6, 29, 23, 59, 59)), 0);
}

TEST_F(Navigation, PairMovesAfterCullAndUndelete) {
    for (int i = 0; i < 5; ++i) Add(Time(2014, 1, 1 + i));
    Pair(1, 2);
    h.state.catalogue.At(1)->state = PhotoState::Culled;
    MoveAfterCullLeft(h.state);
    EXPECT_EQ(Shown(), P(2, 3));
    h.state.catalogue.At(3)->state = PhotoState::Culled;
    MoveAfterCullRight(h.state);
    EXPECT_EQ(Shown(), P(2, 4));

    h.state.catalogue.At(3)->state = PhotoState::Present;
    MoveAfterUndelete(h.state, 3);  // a present photo follows: restored one on the left
    EXPECT_EQ(h.state.leftIndex, 3);

    Pair(0, 2);
    h.state.catalogue.At(4)->state = PhotoState::Present;
    MoveAfterUndelete(h.state, 4);  // the last photo: restored one on the right
    EXPECT_EQ(Shown(), P(3, 4));
}

TEST_F(Navigation, UndeleteOfTheOnlyPresentPhotoShowsIt) {
    Add(Time(2014, 1, 1), true);
    Add(Time(2014, 1, 2));
    Add(Time(2014, 1, 3), true);
    Pair(-1, -1);
    MoveAfterUndelete(h.state, 1);
    SettlePair(h.state);
    EXPECT_EQ(Shown(), P(1, -1));
}

TEST_F(Navigation, MovesClearTheStatusAndDrawRecordingTheStartPosition) {
    Add(Time(2014, 1, 1));
    Add(Time(2014, 2, 3, 4, 5, 6));
    Add(Time(2014, 3, 1));
    Pair(0, 1);
    h.services.SetStatus("old text");
    EXPECT_FALSE(MoveAndDraw(h.state, Move::StepBack));
    EXPECT_TRUE(h.view.draws.empty());
    EXPECT_EQ(h.services.LastStatus(), "old text");

    EXPECT_TRUE(MoveAndDraw(h.state, Move::StepForward));
    EXPECT_EQ(h.services.LastStatus(), "");
    ASSERT_EQ(h.view.draws.size(), 1u);
    EXPECT_EQ(h.view.draws[0].left, 1);
    EXPECT_EQ(h.view.draws[0].right, 2);
    EXPECT_TRUE(h.view.draws[0].record);
    EXPECT_EQ(h.settings.startPosition(), Time(2014, 2, 3, 4, 5, 6));

    Pair(-1, 0);
    DrawPair(h.state, true);  // an empty left pane records nothing
    EXPECT_EQ(h.settings.startPosition(), Time(2014, 2, 3, 4, 5, 6));
}

}  // namespace
}  // namespace pictavo
