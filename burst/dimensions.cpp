// A fresh element's size: the four distances of its outline, the base point's handles and the
// base point itself. Copies of an element never come here, so their size stays the original's.
#include "burst/host_draws.h"
#include "burst/steps.h"
#include "burst/tables.h"
#include "shell/plugin_suites.h"

namespace fl {

HostErr computeDimensions(const BurstParams& p, GenerationState& s) {
  const RunningFactor& lengthFactor = s.factors[kLength];
  s.elementSize = p.length * lengthFactor.star * lengthFactor.element;

  int32_t type = p.burstType;
  if (p.randomBurstType) {
    // A draw just below 1 can round up to 30 after the product; it wraps to the first type.
    type = trunc32(drawRandom() * static_cast<float>(kBurstTypeCount));
    if (type > kBurstTypeCount - 1) type = 0;
  }
  BurstDistances d = burstDistances(type, s.elementSize);
  s.length1 = d.length1;
  s.length2 = d.length2;
  s.height1 = d.height1;
  s.height2 = d.height2;

  if (reverseMirrors(p.reverseOption, s.starIndex, drawRandom)) {
    s.height1 = -s.height1;
    s.height2 = -s.height2;
  }

  float heightFactor = s.factor(kHeight);
  s.height1 = s.height1 * heightFactor;
  s.height2 = s.height2 * heightFactor;

  // The random options scale the record's values afresh for each element, never the previous
  // element's, so they do not compound.
  if (p.randomLength) {
    s.length1 = drawRandom() * s.length1;
    s.length2 = drawRandom() * s.length2;
  }
  if (p.randomHeight) {
    s.height1 = drawRandom() * s.height1;
    s.height2 = drawRandom() * s.height2;
  }
  if (p.randomSpread) {
    s.handleX = drawRandom() * p.spreadX;
    s.handleY = drawRandom() * p.spreadY;
  } else {
    s.handleX = p.spreadX;
    s.handleY = p.spreadY;
  }
  if (p.randomInitialGap) {
    s.gapX = drawRandom() * p.initialGapX;
    s.gapY = drawRandom() * p.initialGapY;
  } else {
    s.gapX = p.initialGapX;
    s.gapY = p.initialGapY;
  }

  float gapFactor = s.factor(kInitialGap);
  s.baseX = s.gapX * gapFactor + s.centreX;
  s.baseY = s.gapY * gapFactor + s.centreY;
  return 0;
}

}  // namespace fl
