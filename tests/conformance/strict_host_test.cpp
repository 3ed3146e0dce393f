// The host keeps its document finite and defined: a non-finite coordinate, matrix or style is
// refused where the plug-in hands it over, a run whose numbers overflow ends with the error dialog
// or leaves only finite art, and a matrix operation that fails leaves the plug-in's matrix as it was.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "conformance/host_fixture.h"
#include "shell/host/suites.h"

namespace fltest {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

template <class Suite>
const Suite* acquire(flhost::Session& host, const char* name, int32_t version) {
  const void* table = nullptr;
  EXPECT_EQ(host.suites().acquire(name, version, &table), kHostNoErr) << name;
  return static_cast<const Suite*>(table);
}

HostPathSegment corner(float h, float v) { return {{h, v}, {h, v}, {h, v}, 1}; }

using StrictHostTest = HostTest;

TEST_F(StrictHostTest, NonFiniteCoordinatesMatricesAndStylesAreRefused) {
  flhost::Session& h = host();
  const auto* art = acquire<ArtSuite>(h, kArtSuiteName, kArtSuiteVersion);
  const auto* path = acquire<PathSuite>(h, kPathSuiteName, kPathSuiteVersion);
  const auto* style = acquire<PathStyleSuite>(h, kPathStyleSuiteName, kPathStyleSuiteVersion);
  const auto* transform = acquire<TransformArtSuite>(h, kTransformArtSuiteName, kTransformArtSuiteVersion);
  const auto* view = acquire<DocumentViewSuite>(h, kDocumentViewSuiteName, kDocumentViewSuiteVersion);
  ASSERT_TRUE(art && path && style && transform && view);

  h.document().beginCall();
  HostArt a = nullptr;
  ASSERT_EQ(art->newArt(kHostArtPath, kPlaceAboveAll, nullptr, &a), kHostNoErr);
  const HostPathSegment square[] = {corner(0, 0), corner(10, 0), corner(10, 10)};
  ASSERT_EQ(path->setPathSegments(a, 0, 3, square), kHostNoErr);
  HostPathStyle paint{};
  ASSERT_EQ(style->getPathStyle(a, &paint), kHostNoErr);
  const std::string before = documentJson();

  const HostMatrix identity{1, 0, 0, 1, 0, 0};
  const float big = std::numeric_limits<float>::max();
  HostPathStyle wide = paint, nanGreen = paint;
  wide.strokeWidth = kInf;
  nanGreen.fillColor = flhost::threeColor(0, kNaN, 0);
  const HostPathSegment badAnchor[] = {corner(5, kInf)};
  HostPathSegment badHandle = corner(5, 5);
  badHandle.out.h = kNaN;
  const HostRealPoint nowhere{kNaN, 0};
  HostView front = nullptr;
  ASSERT_EQ(view->getNthView(0, &front), kHostNoErr);
  HostViewPoint seen{7, 7};
  HostPathStyle blend = paint;

  struct Case {
    const char* what;
    std::function<HostErr()> call;
  };
  const Case cases[] = {
      {"an anchor at infinity", [&] { return path->setPathSegments(a, 1, 1, badAnchor); }},
      {"a NaN handle", [&] { return path->setPathSegments(a, 3, 1, &badHandle); }},
      {"a NaN matrix",
       [&] {
         HostMatrix m = identity;
         m.c = kNaN;
         return transform->transformArt(a, &m, 1, kTransformObjects);
       }},
      {"a move past the largest float",
       [&] {
         HostMatrix m{big, 0, 0, big, 0, 0};
         return transform->transformArt(a, &m, 1, kTransformObjects);
       }},
      {"a line scale to infinity", [&] { return transform->transformArt(a, &identity, kInf, kTransformScaleLines); }},
      {"an infinite stroke width", [&] { return style->setPathStyle(a, &wide); }},
      {"a NaN colour", [&] { return style->setPathStyle(a, &nanGreen); }},
      {"a NaN blend", [&] { return style->interpolatePathStyle(&paint, &paint, &blend, kNaN); }},
      {"a NaN artwork point", [&] { return view->artworkPointToViewPoint(front, &nowhere, &seen); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), kHostBadParameterErr);
    EXPECT_EQ(documentJson(), before);  // nothing changed, and every number is still writable
  }
  // The refused operations wrote nothing to their results.
  EXPECT_EQ(seen.h, 7);
  EXPECT_EQ(std::memcmp(&blend, &paint, sizeof paint), 0);
  // A finite transform of the same art still goes through.
  HostMatrix twice{2, 0, 0, 2, 0, 0};
  EXPECT_EQ(transform->transformArt(a, &twice, 2, kTransformObjects | kTransformScaleLines), kHostNoErr);
  h.document().endCall();
}

TEST_F(StrictHostTest, OverflowingFactorsEndTheRunOrLeaveOnlyFiniteArt) {
  // Forty stars with a factor of 1000 % per star overflow single precision long before the last.
  struct Case {
    const char* what;
    float BurstParams::*factor;
    bool refused;  // the overflow reaches an operation whose failure ends the run
  };
  const Case cases[] = {
      {"fan", &BurstParams::fanFactorPerStar, true},
      {"angle", &BurstParams::angleFactorPerStar, true},
      // The outline's points are refused too, but the plug-in does not check those writes: the
      // elements come out smaller and the design goes on.
      {"length", &BurstParams::lengthFactorPerStar, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open();
    startUp();
    BurstParams p = defaults();
    p.starCount = 40;
    p.*c.factor = 1000;
    EXPECT_EQ(goWith(p), c.refused ? kHostBadParameterErr : 0);
    EXPECT_EQ(user().errors.size(), c.refused ? 1u : 0u);
    EXPECT_NO_THROW(documentJson());  // the JSON export refuses any number that is not finite
    EXPECT_EQ(host().suites().heldCount(), 0);
  }
}

TEST_F(StrictHostTest, AFailedMatrixOperationLeavesTheMatrixTheIdentity) {
  // One element with a drop shadow: the last translation set is the shadow's offset. When it
  // fails, the shadow is moved by the identity and lies exactly on its element.
  BurstParams p = defaults();
  p.starCount = 1;
  p.burstCount = 1;
  p.dropShadow = 1;
  p.randomShadowScaling = 0;
  p.pattern = 0;
  startUp();
  ASSERT_EQ(goWith(p), 0);
  const uint64_t sets = host().faults().count("math.matrixSetTranslate");
  ASSERT_GE(sets, 2u);

  std::string first;
  for (int run = 0; run < 2; ++run) {
    open();
    startUp();
    host().faults().failOn("math.matrixSetTranslate", sets, HOST_FOURCC('F', 'A', 'I', 'L'));
    ASSERT_EQ(goWith(p), 0);  // the operation returns nothing, so the plug-in cannot tell
    ASSERT_EQ(arts(), 2u);
    std::vector<flhost::ArtView> drawn;
    host().document().forEachArt([&](const flhost::ArtView& art) { drawn.push_back(art); });
    const auto& shadow = drawn[0].segments;
    const auto& element = drawn[1].segments;
    ASSERT_EQ(shadow.size(), element.size());
    for (size_t i = 0; i < shadow.size(); ++i) {
      EXPECT_EQ(shadow[i].p.h, element[i].p.h) << i;
      EXPECT_EQ(shadow[i].p.v, element[i].p.v) << i;
    }
    // And the run is the same every time.
    if (run == 0)
      first = documentJson();
    else
      EXPECT_EQ(documentJson(), first);
  }
}

TEST_F(StrictHostTest, SavedDialogBoundsOfAnySizeKeepTheDialogOnTheScreen) {
  // The record's saved bounds have no control in the dialog: any four numbers can arrive.
  struct Case {
    int32_t left, top, right, bottom;
  };
  const Case cases[] = {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
                        {INT32_MAX - 100, INT32_MAX - 100, INT32_MIN, INT32_MIN},
                        {-700, 5000, -100, 5260}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + ", " + std::to_string(c.top));
    open();
    startUp();
    BurstParams p = defaults();
    p.dialogBoundsSaved = 1;
    p.dialogLeft = c.left;
    p.dialogTop = c.top;
    p.dialogRight = c.right;
    p.dialogBottom = c.bottom;
    HostIntRect shown{};
    EXPECT_EQ(runDialog(p, [&](flhost::ModalSession& s) { shown = s.bounds(); }), 0);
    EXPECT_GE(shown.left, flhost::kDialogScreen.left);
    EXPECT_GE(shown.top, flhost::kDialogScreen.top);
    EXPECT_LE(shown.right, flhost::kDialogScreen.right);
    EXPECT_LE(shown.bottom, flhost::kDialogScreen.bottom);
    // The plug-in's own size wins over the saved one.
    EXPECT_EQ(shown.right - shown.left, 600);
    EXPECT_EQ(shown.bottom - shown.top, 260);
  }
}

}  // namespace
}  // namespace fltest
