// Pattern-centre mirroring: each copy is first moved so its centre lands where the mirror image's
// centre must be, then flipped in place about that centre. Flipping in place keeps the copy's
// bounds where the move put them, so the three images tile around the centre point exactly.
#include "burst/mirror.h"

#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

struct Point {
  float x, y;
};

HostErr readBounds(HostArt art, HostRealRect& r) { return sArt->getArtBounds(art, &r); }

Point centreOf(const HostRealRect& r) {
  return {r.left + (r.right - r.left) / 2.0f, r.bottom + (r.top - r.bottom) / 2.0f};
}

HostErr translate(HostArt art, float dx, float dy) {
  HostMatrix m = kIdentityMatrix;
  sMath->matrixSetTranslate(&m, dx, dy);
  return sTransform->transformArt(art, &m, 1.0f, kTransformObjects);
}

HostErr flipAboutOwnCentre(HostArt art, float sx, float sy) {
  HostRealRect r;
  if (HostErr e = readBounds(art, r)) return e;
  Point c = centreOf(r);
  HostMatrix m = kIdentityMatrix;
  sMath->matrixSetTranslate(&m, -c.x, -c.y);
  sMath->matrixConcatScale(&m, sx, sy);
  sMath->matrixConcatTranslate(&m, c.x, c.y);
  return sTransform->transformArt(art, &m, 1.0f, kTransformObjects);
}

// The centre point of a pattern value, from the art's bounds measured just before. False for the
// values that mirror nothing.
bool choosePatternCentre(int32_t pattern, const GenerationState& s, const HostRealRect& bounds, Point& at) {
  Point c = centreOf(bounds);
  switch (pattern) {
    case 1:
      at = {s.halfPageWidth, s.halfPageHeight};
      return true;
    case 2:
      at = {0.0f, 0.0f};
      return true;
    case 3:
      at = c;
      return true;
    case 4:
      at = {0.0f, c.y};
      return true;
    case 5:
      at = {c.x, 0.0f};
      return true;
    case 6:
      at = {bounds.right, bounds.top};
      return true;
    case 7: {
      // The vertical draw comes first.
      float r1 = sRandom->floatRandom();
      float r2 = sRandom->floatRandom();
      at = {r2 * s.pageWidth, r1 * s.pageHeight};
      return true;
    }
    case 8:
      at = {s.baseX, s.baseY};
      return true;
    case 9:
      at = {s.halfPageWidth + 100.0f, s.halfPageHeight + 100.0f};
      return true;
    case 10: {
      float r1 = sRandom->floatRandom();
      float r2 = sRandom->floatRandom();
      at = {s.halfPageWidth + 100.0f * r2, s.halfPageHeight + 100.0f * r1};
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

HostErr mirrorAboutCentre(HostArt art, float x, float y) {
  HostArt copy1 = nullptr, copy2 = nullptr, copy3 = nullptr;
  if (HostErr e = sArt->duplicateArt(art, kPlaceAboveAll, nullptr, &copy1)) return e;
  HostRealRect r;
  if (HostErr e = readBounds(copy1, r)) return e;
  Point c = centreOf(r);
  const float dx = 2.0f * (x - c.x);
  const float dy = 2.0f * (y - c.y);
  if (HostErr e = translate(copy1, dx, 0.0f)) return e;
  if (HostErr e = sArt->duplicateArt(art, kPlaceAboveAll, nullptr, &copy2)) return e;
  if (HostErr e = translate(copy2, dx, dy)) return e;
  if (HostErr e = sArt->duplicateArt(art, kPlaceAboveAll, nullptr, &copy3)) return e;
  if (HostErr e = translate(copy3, 0.0f, dy)) return e;

  if (HostErr e = flipAboutOwnCentre(copy1, -1.0f, 1.0f)) return e;
  if (HostErr e = flipAboutOwnCentre(copy2, -1.0f, -1.0f)) return e;
  return flipAboutOwnCentre(copy3, 1.0f, -1.0f);
}

HostErr mirrorByPattern(const BurstParams& p, const GenerationState& s, HostArt art) {
  if (p.pattern < 1 || p.pattern > 10) return 0;
  HostRealRect bounds;
  if (HostErr e = readBounds(art, bounds)) return e;
  Point at;
  if (!choosePatternCentre(p.pattern, s, bounds, at)) return 0;
  return mirrorAboutCentre(art, at.x, at.y);
}

HostErr mirrorAboutPattern(const BurstParams& p, const GenerationState& s) { return mirrorByPattern(p, s, s.art); }

}  // namespace fl
