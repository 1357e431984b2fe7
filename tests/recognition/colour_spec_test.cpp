#include "recognition/colour_spec.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(PixelHsv, ConvertsAndRoundsToIntegers) {
  const struct {
    uint32_t rgb;
    Hsv want;
  } cases[] = {
      {0xFF0000, {0, 100, 100}}, {0x0000FF, {240, 100, 100}}, {0x2F8DDE, {208, 79, 87}},
      {0xFA050C, {358, 98, 98}}, {0x0AC864, {148, 95, 78}},   {0x808080, {0, 0, 50}},
      {0x1E1E1E, {0, 0, 12}},    {0xFFFFFF, {0, 0, 100}},     {0x000000, {0, 0, 0}},
      {0xFF0001, {0, 100, 100}},  // hue 359.8 rounds to 360, which is 0
  };
  for (const auto& c : cases) EXPECT_EQ(PixelHsv(c.rgb), c.want) << std::hex << c.rgb;
}

TEST(ColourSpec, MatchesBothFormsWithTolerancesAndAlternatives) {
  const struct {
    const char* spec;
    uint32_t rgb;
    bool match;
  } cases[] = {
      // HSV, exact
      {"208.79.87-0.0.0", 0x2F8DDE, true},
      {"208.79.87-0.0.0", 0x2F8DDF, true},  // same integers after rounding
      {"208.79.86-0.0.0", 0x2F8DDE, false},
      // HSV tolerances, at and past the edge
      {"210.79.87-2.0.0", 0x2F8DDE, true},
      {"211.79.87-2.0.0", 0x2F8DDE, false},
      {"208.75.90-0.4.3", 0x2F8DDE, true},
      {"208.75.90-0.3.3", 0x2F8DDE, false},
      // hue wraps around: 358 is 4 away from 2
      {"2.98.98-4.0.0", 0xFA050C, true},
      {"2.98.98-3.0.0", 0xFA050C, false},
      // greys have hue 0
      {"0.0.50-0.0.0", 0x808080, true},
      {"0.0.100-0.0.0", 0xFFFFFF, true},
      {"0.0.0-0.0.0", 0x000000, true},
      {"0.0.0-0.0.0", 0x010101, true},   // value 0.4 rounds to 0
      {"0.0.0-0.0.0", 0x030303, false},  // value 1.2 rounds to 1
      // alternatives: any one suffices
      {"0.100.100-0.0.0|240.100.100-0.0.0", 0x0000FF, true},
      {"0.100.100-0.0.0|240.100.100-0.0.0", 0xFF0000, true},
      {"0.100.100-0.0.0|240.100.100-0.0.0", 0x00FF00, false},
      // RGB form, per-channel tolerance
      {"ff0000-000000", 0xFF0000, true},
      {"ff0000-000000", 0xFE0000, false},
      {"ff0000-ff0000", 0x7F0000, true},  // any red with no green or blue, black included
      {"ff0000-ff0000", 0x000000, true},
      {"ff0000-ff0000", 0xFF0100, false},
      {"80A0C0-020304", 0x82A3C4, true},
      {"80a0c0-020304", 0x83A0C0, false},
      {"ff0000-000000|0.0.50-0.0.0", 0x808080, true},  // the forms mix
  };
  for (const auto& c : cases) {
    const ColourSpec spec = ColourSpec::Parse(c.spec);
    EXPECT_TRUE(spec.valid()) << c.spec;
    EXPECT_EQ(spec.matches(c.rgb), c.match) << c.spec << " " << std::hex << c.rgb;
  }
}

TEST(ColourSpec, MalformedSpecMatchesNothing) {
  for (const char* text : {"",
                           "|",
                           "red",
                           "0.0.0",
                           "0.0.0-0.0",
                           "0.0.0-0.0.0.0",
                           "0.0.0-0.0.0|",
                           "|0.0.0-0.0.0",
                           "0.0.0-0.0.0||0.0.0-0.0.0",
                           "360.0.0-0.0.0",
                           "0.101.0-0.0.0",
                           "0.0.0-0.0.101",
                           "-1.0.0-0.0.0",
                           "0.0.0--0.0.0",
                           "0 .0.0-0.0.0",
                           "0.0.0-0.0.0 ",
                           "1000.0.0-0.0.0",
                           "0.0.0-0.0.0|nonsense",
                           "ff0000-ff00",
                           "ff0000",
                           "gg0000-000000",
                           "ff0000-ff0000-ff0000",
                           "0.0.0-ff0000"}) {
    const ColourSpec spec = ColourSpec::Parse(text);
    EXPECT_FALSE(spec.valid()) << '"' << text << '"';
    for (uint32_t rgb : {0x000000u, 0xFFFFFFu, 0xFF0000u}) EXPECT_FALSE(spec.matches(rgb)) << text;
  }
}

}  // namespace
}  // namespace tavik
