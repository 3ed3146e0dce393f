// The generation driver through Go: stars, elements, the apply pattern, new and copied arts.
#include "conformance/host_fixture.h"

namespace fltest {
namespace {

struct Counts {
  size_t arts;
  uint64_t made;
  uint64_t copied;
};

class GenerateTest : public HostTest {
 protected:
  Counts run(const BurstParams& p, std::vector<float> draws = {}) {
    open(std::move(draws));
    startUp();
    EXPECT_EQ(goWith(p), 0);
    return {arts(), host().faults().count("art.newArt"), host().faults().count("art.duplicateArt")};
  }
};

TEST_F(GenerateTest, ElementAndStarCounts) {
  struct Case {
    const char* name;
    void (*change)(BurstParams&);
    Counts expected;
  };
  const Case cases[] = {
      {"default", [](BurstParams&) {}, {10, 1, 9}},
      {"apply 2 of 3",
       [](BurstParams& p) {
         p.burstApplyRun = 2;
         p.burstApplySkip = 1;
       },
       {7, 1, 6}},
      {"three stars of twelve",
       [](BurstParams& p) {
         p.starCount = 3;
         p.burstCount = 12;
       },
       {36, 3, 33}},
      {"apply 2 of 3, three stars of twelve",
       [](BurstParams& p) {
         p.starCount = 3;
         p.burstCount = 12;
         p.burstApplyRun = 2;
         p.burstApplySkip = 1;
       },
       {24, 3, 21}},
      {"apply 1 of 4",
       [](BurstParams& p) {
         p.burstApplyRun = 1;
         p.burstApplySkip = 3;
       },
       {3, 1, 2}},
      {"unique elements", [](BurstParams& p) { p.uniqueElements = 1; }, {10, 10, 0}},
      {"no stars", [](BurstParams& p) { p.starCount = 0; }, {0, 0, 0}},
      {"no elements", [](BurstParams& p) { p.burstCount = 0; }, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    c.change(p);
    Counts got = run(p);
    EXPECT_EQ(got.arts, c.expected.arts);
    EXPECT_EQ(got.made, c.expected.made);
    EXPECT_EQ(got.copied, c.expected.copied);
    EXPECT_EQ(host().document().redrawCount(), 0u);  // only previews redraw
  }
}

TEST_F(GenerateTest, RandomApplyNeverLeavesOutElementZero) {
  BurstParams p = defaults();
  p.randomApply = 1;
  p.starCount = 2;
  // Every draw above 0.5: only the first element of each star is drawn.
  Counts all = run(p, std::vector<float>(20, 0.9f));
  EXPECT_EQ(all.arts, 2u);
  EXPECT_EQ(host().random().drawCount(), 20u);  // one draw per element, drawn or not
  // Draws at 0.5 or below keep every element.
  EXPECT_EQ(run(p, std::vector<float>(20, 0.5f)).arts, 20u);
  // Mixed: elements 2 and 5 left out.
  std::vector<float> draws(10, 0.1f);
  draws[2] = draws[5] = 0.75f;
  p.starCount = 1;
  EXPECT_EQ(run(p, draws).arts, 8u);
  // Elements the apply pattern leaves out (2, 5 and 8) still take their draw.
  p.burstApplyRun = 2;
  p.burstApplySkip = 1;
  draws.assign(10, 0.1f);
  draws[4] = 0.9f;
  EXPECT_EQ(run(p, draws).arts, 6u);
  EXPECT_EQ(host().random().drawCount(), 10u);
}

TEST_F(GenerateTest, RandomBurstCount) {
  struct Case {
    int32_t burstCount;
    float draw;
    size_t arts;
  };
  const Case cases[] = {{10, 0.15f, 10}, {10, 0.19f, 10}, {10, 0.2f, 2}, {10, 0.55f, 5},
                        {10, 0.99f, 9},  {2, 0.99f, 2},   {2, 0.0f, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.burstCount) + " / " + std::to_string(c.draw));
    BurstParams p = defaults();
    p.randomBurstCount = 1;
    p.burstCount = c.burstCount;
    EXPECT_EQ(run(p, {c.draw}).arts, c.arts);
  }
}

TEST_F(GenerateTest, FailedDrawingKeepsWhatWasDrawnAndIsReported) {
  startUp();
  host().faults().failOn("art.duplicateArt", 3, -108);
  EXPECT_EQ(goWith(defaults()), -108);
  EXPECT_EQ(arts(), 3u);
  ASSERT_EQ(user().errors.size(), 1u);
  EXPECT_EQ(user().errors[0].code, "-108");
  // The undo at the start and the art style count end the run too.
  for (const char* op : {"undo.undoChanges", "artStyle.countNamedArtStyles", "art.newArt"}) {
    SCOPED_TRACE(op);
    open();
    startUp();
    host().faults().failOn(op, 1, HOST_FOURCC('F', 'A', 'I', 'L'));
    EXPECT_EQ(goWith(defaults()), HOST_FOURCC('F', 'A', 'I', 'L'));
    EXPECT_EQ(arts(), 0u);
    EXPECT_EQ(host().suites().heldCount(), 0);
  }
}

TEST_F(GenerateTest, GoKeepsAValidPreview) {
  startUp();
  BurstParams p = defaults();
  p.previewValid = 1;
  EXPECT_EQ(goWith(p), 0);
  EXPECT_EQ(arts(), 0u);
  EXPECT_EQ(host().faults().count("undo.undoChanges"), 0u);
  BurstParams after = record();
  EXPECT_EQ(after.previewValid, 0);
  EXPECT_EQ(after.finalRun, 1);
  // The next Go draws.
  EXPECT_EQ(host().go(), 0);
  EXPECT_EQ(arts(), 10u);
}

TEST_F(GenerateTest, ShadowDirectionDrawsFourTimesOnce) {
  BurstParams p = defaults();
  p.randomShadowDirection = 1;
  p.starCount = 3;
  run(p);
  EXPECT_EQ(host().random().drawCount(), 4u);
}

}  // namespace
}  // namespace fltest
