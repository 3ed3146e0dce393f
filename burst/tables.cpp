#include "burst/tables.h"

namespace fl {

namespace {

// Every fraction is the single-precision value nearest to it, so designs come out the same on
// every build.
constexpr float kThird = 1.0f / 3.0f;
constexpr float kTwoThirds = 2.0f / 3.0f;
constexpr float kFourThirds = 4.0f / 3.0f;
constexpr float kFifth = 1.0f / 5.0f;
constexpr float kSixth = 1.0f / 6.0f;
constexpr float kFiveSixths = 5.0f / 6.0f;
constexpr float kSeventh = 1.0f / 7.0f;
constexpr float kEighth = 1.0f / 8.0f;
constexpr float kNinth = 1.0f / 9.0f;
constexpr float kTwelfth = 1.0f / 12.0f;
constexpr float kFifteenth = 1.0f / 15.0f;
constexpr float kTwentyFourth = 1.0f / 24.0f;
constexpr float kThirtieth = 1.0f / 30.0f;

// Multipliers of the size. Where chained is set the second height is (size x height1) x height2,
// rounded after each product, rather than size x height2. Doubling by 2 is exactly size + size.
struct BurstRow {
  float length1, length2, height1, height2;
  bool chained;
};

constexpr BurstRow kBurstRows[kBurstTypeCount] = {
    {1, 1, kThird, kThird, false},          // Burst 01
    {1, 1, kThird, 0.5f, true},             // Burst 02
    {1, 0.5f, kThird, kThird, false},       // Burst 03
    {1, 0.2f, 0.5f, 3, false},              // Burst 04
    {1, 1, kSeventh, kSeventh, false},      // Burst 05
    {1, 1, 0.1f, 0.1f, false},              // Burst 06
    {1, 0.5f, 0.1f, 0.1f, false},           // Burst 07
    {1, 1, 0.5f, 0.5f, false},              // Burst 08
    {1, 1, 2, 2, false},                    // Burst 09
    {1, 1, 3, 3, false},                    // Burst 10
    {1, 1, 3, 0.5f, true},                  // Burst 11
    {1, 0.5f, 3, 0.5f, true},               // Burst 12
    {2, kThird, 0.5f, 4, true},             // Burst 13
    {0.5f, 2, kFourThirds, 0.1f, true},     // Burst 14
    {1, 1, 3, 3, false},                    // Burst 15
    {1, 1, 4, 4, false},                    // Burst 16
    {1, 1, 5, 5, false},                    // Burst 17
    {1, 1, 0.125f, 0.125f, false},          // Burst 18
    {1, 1, kNinth, kNinth, false},          // Burst 19
    {1, 1, 0.1f, 0.1f, false},              // Burst 20
    {1, 1, kTwelfth, kTwelfth, false},      // Burst 21
    {1, 1, kFifteenth, kFifteenth, false},  // Burst 22
    {1, 1, 0.05f, 0.05f, false},            // Burst 23
    {1, 1, 0.04f, 0.04f, false},            // Burst 24
    {1, 1, kThirtieth, kThirtieth, false},  // Burst 25
    {1, 1, 0.05f, 0.5f, true},              // Burst 26
    {1, 1, kTwentyFourth, 0.5f, true},      // Burst 27
    {1, 1, kThirtieth, 0.5f, true},         // Burst 28
    {1, 1, 0.025f, 0.5f, true},             // Burst 29
    {1, 1, 0.02f, 0.5f, true},              // Burst 30
};

ScaleFactors same(float f) { return {f, f}; }

// Rows that cycle through a fixed list by i mod the list's length.
template <int N>
ScaleFactors cycle(const float (&values)[N], uint32_t i) {
  return same(values[i % N]);
}

constexpr float kRow29[] = {1, 0.5f, kThird, 0.25f, kFifth};
constexpr float kRow30[] = {kFifth, 0.25f, kThird, 0.5f, 1};
constexpr float kRow31[] = {1, 0.5f, kThird, 0.25f, kFifth, kSixth, kSeventh};
constexpr float kRow32[] = {1, 0.8f, 0.6f, 0.4f, 0.2f};
constexpr float kRow33[] = {1, kFiveSixths, kTwoThirds, 0.5f, kThird, kSixth};
constexpr float kRow37[] = {1, 0.5f, kThird, 0.25f, kThird, 0.5f, 1};
constexpr float kRow38[] = {kFifth, 0.25f, kThird, 0.5f, 1, 0.5f, kThird, 0.25f};
constexpr float kRow39[] = {kSixth, 0.25f, 0.5f, 1, 0.5f, 0.25f, kSixth};
constexpr float kRow40[] = {kEighth, kSixth, kFifth, kThird, 1, kThird, kFifth, kSixth, kEighth};
constexpr float kRow41[] = {0.25f, 0.5f, 0.25f, 1, 0.25f, 0.5f, 0.25f};
constexpr float kRow42[] = {1, 0.5f, kThird, 1, kThird, 0.5f, 1};

// 1 / n, rounded once.
float reciprocal(uint32_t n) { return 1.0f / static_cast<float>(n); }

}  // namespace

BurstDistances burstDistances(int32_t type, float size) {
  const BurstRow& row = kBurstRows[type >= 0 && type < kBurstTypeCount ? type : 0];
  BurstDistances d;
  d.length1 = size * row.length1;
  d.length2 = size * row.length2;
  d.height1 = size * row.height1;
  d.height2 = row.chained ? d.height1 * row.height2 : size * row.height2;
  return d;
}

bool reverseMirrors(int32_t option, int32_t starIndex, DrawFn draw) {
  int32_t s = starIndex;
  // clang-format off
  switch (option) {
    case 1: return true;
    case 2: return draw() > 0.5f;
    case 3: return s % 2 == 1;
    case 4: return s % 3 == 1;
    case 5: return s % 4 == 2;
    case 6: return s % 5 == 2;
    case 7: return s % 4 == 1 || s % 4 == 3;
    case 8: return s % 3 == 2;
    default: return false;
  }
  // clang-format on
}

ScaleFactors scalingFactors(int32_t row, int32_t elementIndex, DrawFn draw) {
  // Element indices start at 0; a negative one would only come from a broken caller.
  uint32_t i = elementIndex > 0 ? static_cast<uint32_t>(elementIndex) : 0u;
  bool even = i % 2 == 0;
  // clang-format off
  switch (row) {
    case 1:
    case 6: return same(even ? 1 : 0.5f);
    case 2:
    case 7: return same(i % 3 == 0 ? 1 : 0.5f);
    case 3: return same(i % 4 == 0 ? 1 : 0.5f);
    case 4: return same(even ? 1 : 0.25f);
    case 5: return same(even ? 1 : kEighth);
    case 8: return same(reciprocal(i + 1));
    case 9:
      if (i % 4 != 0) return {0.25f, kSixth};
      if (i % 3 != 0) return {kThird, 0.25f};
      return same(1);
    case 10:
      if (i % 5 != 0) return same(kSixth);
      if (!even) return same(kFifth);
      if (i % 3 != 0) return same(0.25f);
      return same(1);
    case 11: return same(reciprocal(i + 2));
    case 12: return same(reciprocal(i + 3));
    case 13: return same(reciprocal(1 + i % 2));
    case 14: return same(reciprocal(1 + i % 3));
    case 15: return same(reciprocal(1 + i % 4));
    case 16: return same(static_cast<float>(1 + i % 2) * 0.5f);
    case 17: return same(i % 10 == 0 ? 1 : 0.5f);
    case 18: return same(i % 6 == 0 ? 1 : 0.5f);
    case 19:
    case 23: return same(i % 6 == 0 ? 1 : kThird);
    case 20: return same(i % 6 == 0 ? reciprocal(i + 1) : kThird);
    case 21: return same(i % 6 == 0 ? 1 : 0.25f);
    case 22: return same(i % 15 == 0 ? 1 : 0.5f);
    case 24: return same(i % 4 == 1 && i % 3 == 2 ? 1 : 0.5f);
    case 25: return same(i % 4 == 1 && i % 5 == 2 ? 1 : kThird);
    case 26: return same(i % 4 == 2 && i % 5 == 3 ? 1 : 0.25f);
    case 27: {
      // The draw comes first so every element of these rows costs one draw.
      float r = draw();
      return same(even ? 1 : r);
    }
    case 28: {
      float r = draw();
      return same(i % 3 == 0 ? 1 : r);
    }
    case 29: return cycle(kRow29, i);
    case 30: return cycle(kRow30, i);
    case 31: return cycle(kRow31, i);
    case 32: return cycle(kRow32, i);
    case 33: return cycle(kRow33, i);
    case 34:
      if (!even) return same(1);
      return same(i % 3 == 1 ? 0.25f : 0.5f);
    case 35:
      if (i % 3 != 0) return same(1);
      return same(i % 5 == 1 ? 0.25f : 0.5f);
    case 36:
      if (even) return same(1);
      return same(i % 4 == 1 ? kSixth : kThird);
    case 37: return cycle(kRow37, i);
    case 38: return cycle(kRow38, i);
    case 39: return cycle(kRow39, i);
    case 40: return cycle(kRow40, i);
    case 41: return cycle(kRow41, i);
    case 42: return cycle(kRow42, i);
    default: return same(1);
  }
  // clang-format on
}

}  // namespace fl
