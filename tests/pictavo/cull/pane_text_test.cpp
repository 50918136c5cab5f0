// The texts under each pane of the pair display.
#include "pictavo/cull/pane_text.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

TEST(CaptionText, FourLinesWithRatingDescriptionAndDateKind) {
    display::RatingPart part = display::MakeRatingPart(std::string("5"), "Beach");
    EXPECT_TRUE(part.high);
    display::CaptionFacts facts{11,
                                340,
                                part.text,
                                "beach.jpg",
                                "/photos/2015",
                                3000,
                                4000,
                                1536,
                                PhotoTime{59, 59, 23, 30, 6, 2015},
                                true};
    EXPECT_EQ(display::CaptionText(facts),
              "12 (of 340) - Rating: 5 stars - Beach\nbeach.jpg (/photos/2015)\n"
              "3000 x 4000 (1.5 KB)\n2015/06/30  23:59:59 (date taken)");
    facts.hasDateTaken = false;
    facts.ratingPart = "";
    facts.time = PhotoTime{5, 4, 3, 2, 1, 2020};
    EXPECT_EQ(display::CaptionText(facts),
              "12 (of 340)\nbeach.jpg (/photos/2015)\n3000 x 4000 (1.5 KB)\n"
              "2020/01/02  03:04:05 (file date)");
    facts.position = -1;
    EXPECT_EQ(display::CaptionText(facts), "");
}

TEST(CaptionText, RatingPartOnlyForOneToFiveStarsAndRedForFourAndFive) {
    EXPECT_EQ(display::MakeRatingPart(std::string("4"), "").text, " - Rating: 4 stars");
    EXPECT_TRUE(display::MakeRatingPart(std::string("4"), "").high);
    EXPECT_FALSE(display::MakeRatingPart(std::string("3"), "").high);
    EXPECT_EQ(display::MakeRatingPart(std::string("0"), "Dune").text, " - Dune");
    EXPECT_EQ(display::MakeRatingPart(std::string("5"), " \t ").text, " - Rating: 5 stars");
    EXPECT_EQ(display::MakeRatingPart(std::string("0"), "  ").text, "");
    EXPECT_EQ(display::MakeRatingPart(std::string("-1"), "").text, "");
    EXPECT_EQ(display::MakeRatingPart(std::nullopt, "ignored").text, "");
    EXPECT_EQ(display::MissingFileCaption("/p/a.jpg"), "File no longer exists: /p/a.jpg");
}

}  // namespace
}  // namespace pictavo
