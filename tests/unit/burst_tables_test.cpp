// The element tables on their own: burst-type proportions, reverse rules, scaling rows, and
// exactly when they take a random draw.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "burst/tables.h"

namespace {

using fl::burstDistances;
using fl::reverseMirrors;
using fl::scalingFactors;

// Scripted draws; an empty script means the table drew when it should not have.
std::deque<float> gDraws;
int gDrawCount = 0;
float scripted() {
  ++gDrawCount;
  if (gDraws.empty()) {
    ADD_FAILURE() << "unexpected draw";
    return 0.0f;
  }
  float r = gDraws.front();
  gDraws.pop_front();
  return r;
}
void script(std::deque<float> draws) {
  gDraws = std::move(draws);
  gDrawCount = 0;
}
float noDraw() {
  ADD_FAILURE() << "drew without a random option";
  return 0.0f;
}

// The four distances of every burst type, bit for bit: each multiplier is the single-precision
// fraction, and a chained height is rounded after each product. Over many sizes a multiplier
// computed in double precision, or a chained product taken as one, changes some last bit.
TEST(BurstTables, ProportionsOfEveryBurstType) {
  enum class Op { Size, Times, Chained, Doubled };  // S, S x a, (S x a) x b, S + S
  struct Term {
    Op op;
    float a, b;
  };
  const Term S{Op::Size, 0, 0}, D{Op::Doubled, 0, 0};
  auto x = [](float a) { return Term{Op::Times, a, 0}; };
  auto xx = [](float a, float b) { return Term{Op::Chained, a, b}; };
  const float third = 1.0f / 3.0f;
  // clang-format off
  const Term rows[fl::kBurstTypeCount][4] = {
      {S, S, x(third), x(third)},
      {S, S, x(third), xx(third, 0.5f)},
      {S, x(0.5f), x(third), x(third)},
      {S, x(0.2f), x(0.5f), x(3.0f)},
      {S, S, x(1.0f / 7.0f), x(1.0f / 7.0f)},
      {S, S, x(0.1f), x(0.1f)},
      {S, x(0.5f), x(0.1f), x(0.1f)},
      {S, S, x(0.5f), x(0.5f)},
      {S, S, D, D},
      {S, S, x(3.0f), x(3.0f)},
      {S, S, x(3.0f), xx(3.0f, 0.5f)},
      {S, x(0.5f), x(3.0f), xx(3.0f, 0.5f)},
      {D, x(third), x(0.5f), xx(0.5f, 4.0f)},
      {x(0.5f), D, x(4.0f / 3.0f), xx(4.0f / 3.0f, 0.1f)},
      {S, S, x(3.0f), x(3.0f)},
      {S, S, x(4.0f), x(4.0f)},
      {S, S, x(5.0f), x(5.0f)},
      {S, S, x(0.125f), x(0.125f)},
      {S, S, x(1.0f / 9.0f), x(1.0f / 9.0f)},
      {S, S, x(0.1f), x(0.1f)},
      {S, S, x(1.0f / 12.0f), x(1.0f / 12.0f)},
      {S, S, x(1.0f / 15.0f), x(1.0f / 15.0f)},
      {S, S, x(0.05f), x(0.05f)},
      {S, S, x(0.04f), x(0.04f)},
      {S, S, x(1.0f / 30.0f), x(1.0f / 30.0f)},
      {S, S, x(0.05f), xx(0.05f, 0.5f)},
      {S, S, x(1.0f / 24.0f), xx(1.0f / 24.0f, 0.5f)},
      {S, S, x(1.0f / 30.0f), xx(1.0f / 30.0f, 0.5f)},
      {S, S, x(0.025f), xx(0.025f, 0.5f)},
      {S, S, x(0.02f), xx(0.02f, 0.5f)},
  };
  // clang-format on
  auto eval = [](const Term& t, float size) {
    // clang-format off
    switch (t.op) {
      case Op::Size: return size;
      case Op::Times: return size * t.a;
      case Op::Chained: return (size * t.a) * t.b;
      case Op::Doubled: return size + size;
    }
    // clang-format on
    return 0.0f;
  };
  for (int k = 0; k < 64; ++k) {
    const float size = (k % 2 ? -1.0f : 1.0f) * (300.0f + 17.31f * static_cast<float>(k * k));
    for (int t = 0; t < fl::kBurstTypeCount; ++t) {
      SCOPED_TRACE("type " + std::to_string(t) + ", size " + std::to_string(size));
      const fl::BurstDistances d = burstDistances(t, size);
      EXPECT_EQ(d.length1, eval(rows[t][0], size));
      EXPECT_EQ(d.length2, eval(rows[t][1], size));
      EXPECT_EQ(d.height1, eval(rows[t][2], size));
      EXPECT_EQ(d.height2, eval(rows[t][3], size));
    }
  }
  // Types the dialog does not offer are drawn with the default proportions.
  for (int32_t t : {30, -1, 1000000}) {
    fl::BurstDistances d = burstDistances(t, 300);
    EXPECT_EQ(d.length1, 300);
    EXPECT_EQ(d.length2, 300);
    EXPECT_EQ(d.height1, 100);
    EXPECT_EQ(d.height2, 100);
  }
}

TEST(BurstTables, ReverseRulesByStar) {
  // Which of stars 0..11 are mirrored.
  struct Case {
    int32_t option;
    const char* stars;
  };
  // clang-format off
  const Case cases[] = {
      {0, "000000000000"}, {1, "111111111111"}, {3, "010101010101"}, {4, "010010010010"},
      {5, "001000100010"}, {6, "001000010000"}, {7, "010101010101"}, {8, "001001001001"},
      {9, "000000000000"}, {-1, "000000000000"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    std::string got;
    for (int32_t s = 0; s < 12; ++s) got += reverseMirrors(c.option, s, noDraw) ? '1' : '0';
    EXPECT_EQ(got, c.stars);
  }
}

TEST(BurstTables, RandomReverseDrawsOncePerElement) {
  script({0.5f, 0.51f, 0.0f, 0.99f});
  std::string got;
  for (int i = 0; i < 4; ++i) got += reverseMirrors(2, 0, scripted) ? '1' : '0';
  EXPECT_EQ(got, "0101");  // only a draw above one half mirrors
  EXPECT_EQ(gDrawCount, 4);
}

TEST(BurstTables, ScalingRowsAtChosenElements) {
  const float third = 1.0f / 3, sixth = 1.0f / 6, fifth = 0.2f;
  struct Case {
    int32_t row;
    int32_t i;
    float x, y;
  };
  // clang-format off
  const Case cases[] = {
      {0, 0, 1, 1},          {0, 7, 1, 1},
      {1, 0, 1, 1},          {1, 3, 0.5f, 0.5f},      {6, 3, 0.5f, 0.5f},
      {2, 3, 1, 1},          {2, 4, 0.5f, 0.5f},      {7, 6, 1, 1},         {7, 8, 0.5f, 0.5f},
      {3, 8, 1, 1},          {3, 6, 0.5f, 0.5f},
      {4, 1, 0.25f, 0.25f},  {5, 1, 0.125f, 0.125f},  {5, 2, 1, 1},
      {8, 0, 1, 1},          {8, 1, 0.5f, 0.5f},      {8, 2, third, third}, {8, 99, 0.01f, 0.01f},
      // Row 9 is the one row that stretches: wide and flat between the multiples of four.
      {9, 1, 0.25f, sixth},  {9, 4, third, 0.25f},    {9, 8, third, 0.25f}, {9, 12, 1, 1},
      {9, 0, 1, 1},          {9, 6, 0.25f, sixth},
      {10, 1, sixth, sixth}, {10, 5, fifth, fifth},   {10, 15, fifth, fifth}, {10, 10, 0.25f, 0.25f},
      {10, 30, 1, 1},        {10, 0, 1, 1},           {10, 20, 0.25f, 0.25f},
      {11, 0, 0.5f, 0.5f},   {11, 1, third, third},   {12, 0, third, third}, {12, 2, fifth, fifth},
      {13, 4, 1, 1},         {13, 5, 0.5f, 0.5f},     {14, 5, third, third}, {15, 7, 0.25f, 0.25f},
      {16, 0, 0.5f, 0.5f},   {16, 1, 1, 1},
      {17, 10, 1, 1},        {17, 5, 0.5f, 0.5f},     {18, 12, 1, 1},       {18, 3, 0.5f, 0.5f},
      {19, 6, 1, 1},         {19, 2, third, third},   {23, 6, 1, 1},        {23, 2, third, third},
      {20, 0, 1, 1},         {20, 6, 1.0f / 7, 1.0f / 7}, {20, 12, 1.0f / 13, 1.0f / 13},
      {20, 5, third, third},
      {21, 6, 1, 1},         {21, 1, 0.25f, 0.25f},   {22, 15, 1, 1},       {22, 5, 0.5f, 0.5f},
      {24, 5, 1, 1},         {24, 17, 1, 1},          {24, 0, 0.5f, 0.5f},  {24, 1, 0.5f, 0.5f},
      {25, 17, 1, 1},        {25, 37, 1, 1},          {25, 0, third, third}, {25, 2, third, third},
      {26, 18, 1, 1},        {26, 38, 1, 1},          {26, 0, 0.25f, 0.25f}, {26, 3, 0.25f, 0.25f},
      {34, 1, 1, 1},         {34, 4, 0.25f, 0.25f},   {34, 2, 0.5f, 0.5f},  {34, 0, 0.5f, 0.5f},
      {35, 1, 1, 1},         {35, 6, 0.25f, 0.25f},   {35, 3, 0.5f, 0.5f},  {35, 0, 0.5f, 0.5f},
      {36, 2, 1, 1},         {36, 5, sixth, sixth},   {36, 7, third, third},
      // Rows outside the list leave the element alone.
      {43, 1, 1, 1},         {-1, 1, 1, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row) + ", i " + std::to_string(c.i));
    fl::ScaleFactors f = scalingFactors(c.row, c.i, noDraw);
    EXPECT_EQ(f.x, c.x);
    EXPECT_EQ(f.y, c.y);
  }
}

TEST(BurstTables, CyclingScalingRows) {
  struct Case {
    int32_t row;
    std::vector<float> cycle;
  };
  const float third = 1.0f / 3, sixth = 1.0f / 6, fifth = 0.2f;
  // clang-format off
  const Case cases[] = {
      {29, {1, 0.5f, third, 0.25f, fifth}},
      {30, {fifth, 0.25f, third, 0.5f, 1}},
      {31, {1, 0.5f, third, 0.25f, fifth, sixth, 1.0f / 7}},
      {32, {1, 0.8f, 0.6f, 0.4f, 0.2f}},
      {33, {1, 5.0f / 6, 2.0f / 3, 0.5f, third, sixth}},
      {37, {1, 0.5f, third, 0.25f, third, 0.5f, 1}},
      {38, {fifth, 0.25f, third, 0.5f, 1, 0.5f, third, 0.25f}},
      {39, {sixth, 0.25f, 0.5f, 1, 0.5f, 0.25f, sixth}},
      {40, {0.125f, sixth, fifth, third, 1, third, fifth, sixth, 0.125f}},
      {41, {0.25f, 0.5f, 0.25f, 1, 0.25f, 0.5f, 0.25f}},
      {42, {1, 0.5f, third, 1, third, 0.5f, 1}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    for (int32_t i = 0; i < 3 * static_cast<int32_t>(c.cycle.size()); ++i) {
      fl::ScaleFactors f = scalingFactors(c.row, i, noDraw);
      EXPECT_EQ(f.x, c.cycle[i % c.cycle.size()]) << "i " << i;
      EXPECT_EQ(f.x, f.y) << "i " << i;
    }
  }
}

TEST(BurstTables, RandomRowsDrawBeforeTheirTest) {
  // One draw for every element, also where the row's answer is 1 and ignores it.
  struct Case {
    int32_t row;
    std::vector<float> scales;
  };
  const std::deque<float> draws = {0.9f, 0.8f, 0.7f, 0.6f, 0.0f, 0.4f};
  // clang-format off
  const Case cases[] = {
      {27, {1, 0.8f, 1, 0.6f, 1, 0.4f}},
      {28, {1, 0.8f, 0.7f, 1, 0.0f, 0.4f}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    script(draws);
    for (int32_t i = 0; i < 6; ++i) {
      fl::ScaleFactors f = scalingFactors(c.row, i, scripted);
      EXPECT_EQ(f.x, c.scales[i]) << "i " << i;
      EXPECT_EQ(f.y, c.scales[i]) << "i " << i;
    }
    EXPECT_EQ(gDrawCount, 6);
  }
}

}  // namespace
