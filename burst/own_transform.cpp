// A fresh element's turn and size about its own centre, the random rescale and the blend of its
// paint toward the run's first element. Copies keep what their original got here.
#include "burst/host_draws.h"
#include "burst/steps.h"
#include "burst/tables.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

HostErr readCentre(HostArt art, float& x, float& y) {
  HostRealRect r;
  if (HostErr e = sArt->getArtBounds(art, &r)) return e;
  x = r.left + (r.right - r.left) / 2.0f;
  y = r.bottom + (r.top - r.bottom) / 2.0f;
  return 0;
}

HostErr spinAndScale(const BurstParams& p, const GenerationState& s) {
  float cx, cy;
  if (HostErr e = readCentre(s.art, cx, cy)) return e;
  HostMatrix m = kIdentityMatrix;
  sMath->matrixSetTranslate(&m, -cx, -cy);

  float spin = p.randomAngle ? drawRandom() * s.baseAngle : s.baseAngle;
  spin = spin * s.factor(kAngle);
  if (p.alternateFlip && s.starIndex % 2 != 0) spin = spin + s.halfTurn;
  sMath->matrixConcatRotate(&m, spin);

  // The scale acts along the page's axes after the spin, about the centre measured before it.
  ScaleFactors f = scalingFactors(p.scaling, s.elementIndex, drawRandom);
  sMath->matrixConcatScale(&m, f.x, f.y);
  sMath->matrixConcatTranslate(&m, cx, cy);
  return sTransform->transformArt(s.art, &m, 1.0f, kTransformObjects);
}

HostErr rescaleAtRandom(const GenerationState& s) {
  float cx, cy;
  if (HostErr e = readCentre(s.art, cx, cy)) return e;
  float sign = drawRandom() > 0.5f ? -1.0f : 1.0f;
  float amount = 1.0f + sign * drawRandom() / 3.0f;  // strictly between 2/3 and 4/3
  HostMatrix m = kIdentityMatrix;
  sMath->matrixSetTranslate(&m, -cx, -cy);
  sMath->matrixConcatScale(&m, amount, amount);
  sMath->matrixConcatTranslate(&m, cx, cy);
  return sTransform->transformArt(s.art, &m, 1.0f, kTransformObjects);
}

// Runs even at a fraction of 0 so that the host's blend always has the last word on the paint.
// Its failures do not end the run, but a style that could not be read is never written back.
void blendTowardReference(const GenerationState& s) {
  HostPathStyle style;
  if (sPathStyle->getPathStyle(s.art, &style)) return;
  if (sPathStyle->interpolatePathStyle(&s.referenceStyle, &style, &style, s.interpolation)) return;
  sPathStyle->setPathStyle(s.art, &style);
}

}  // namespace

HostErr transformOwnCentre(const BurstParams& p, const GenerationState& s) {
  if (HostErr e = spinAndScale(p, s)) return e;
  if (p.randomScale)
    if (HostErr e = rescaleAtRandom(s)) return e;
  blendTowardReference(s);
  return 0;
}

}  // namespace fl
