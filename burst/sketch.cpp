// Sketch strokes: copies of the element, shifted as a whole or point by point, unfilled and
// stroked in the chosen sketch colour, each mirrored like the element.
#include "burst/host_draws.h"
#include "burst/mirror.h"
#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

// The amount one coordinate moves: the repeat's whole shift, or with per-point jitter a random
// share of it in a random direction.
float displacement(bool jitter, float shift) {
  if (!jitter) return shift;
  float r = sRandom->floatRandom();
  float tau = r > 0.5f ? -1.0f : 1.0f;
  float m = sRandom->floatRandom();
  return m * shift * tau;
}

HostErr shiftSegments(HostArt copy, bool jitter, float shiftX, float shiftY, GenerationState& s) {
  int16_t count = 0;
  if (HostErr e = sPath->getPathSegmentCount(copy, &count)) return e;
  for (int16_t i = 0; i < count; ++i) {
    HostPathSegment seg;
    if (HostErr e = sPath->getPathSegments(copy, i, 1, &seg)) return e;
    seg.p.h = seg.p.h + displacement(jitter, shiftX);
    float anchorV = displacement(jitter, shiftY);
    seg.p.v = seg.p.v + anchorV;
    float inH = displacement(jitter, shiftX);
    seg.in.h = seg.in.h + inH;
    seg.in.v = seg.in.v + displacement(jitter, shiftY);
    seg.out.h = seg.out.h + displacement(jitter, shiftX);
    float outV = displacement(jitter, shiftY);
    seg.out.v = seg.out.v + outV;
    if (HostErr e = sPath->setPathSegments(copy, i, 1, &seg)) return e;
    s.lastAnchorShiftV = anchorV;
    s.lastInShiftH = inH;
    s.lastOutShiftV = outV;
    s.sketchDisplaced = true;
  }
  return 0;
}

// Only the process kinds have components that a sketch colour sets; other kinds keep theirs.
void setProcess(HostColor& c, float grey, float first, float second, float third) {
  switch (c.kind) {
    case kHostColorGrey:
      c.c.grey = grey;
      break;
    case kHostColorFour:
      c.c.four.cyan = first;
      c.c.four.magenta = second;
      c.c.four.yellow = third;
      break;
    case kHostColorThree:
      c.c.three.red = first;
      c.c.three.green = second;
      c.c.three.blue = third;
      break;
    default:
      break;
  }
}

void makeBlack(HostColor& c) {
  if (c.kind == kHostColorFour) {
    c.c.four = {1.0f, 1.0f, 1.0f, 1.0f};
  } else if (c.kind == kHostColorThree) {
    c.c.three = {0.0f, 0.0f, 0.0f};
  } else if (c.kind == kHostColorGrey) {
    c.c.grey = 1.0f;
  }
}

void makeWhite(HostColor& c) {
  if (c.kind == kHostColorFour) {
    c.c.four = {0.0f, 0.0f, 0.0f, 0.0f};
  } else if (c.kind == kHostColorThree) {
    c.c.three = {1.0f, 1.0f, 1.0f};
  } else if (c.kind == kHostColorGrey) {
    c.c.grey = 0.0f;
  }
}

// A four-colour black ink stays: only the first three components are drawn.
void makeRandom(HostColor& c) {
  if (c.kind == kHostColorGrey) {
    float grey = sRandom->floatRandom();
    c.c.grey = grey;
  } else if (c.kind == kHostColorFour || c.kind == kHostColorThree) {
    float first = sRandom->floatRandom();
    float second = sRandom->floatRandom();
    float third = sRandom->floatRandom();
    setProcess(c, 0.0f, first, second, third);
  }
}

void reduce(HostColor& c) {
  if (c.kind == kHostColorFour) {
    c.c.four = {c.c.four.cyan * 0.8f, c.c.four.magenta * 0.8f, c.c.four.yellow * 0.8f, c.c.four.black * 0.8f};
  } else if (c.kind == kHostColorThree) {
    c.c.three = {c.c.three.red * 0.8f, c.c.three.green * 0.8f, c.c.three.blue * 0.8f};
  } else if (c.kind == kHostColorGrey) {
    c.c.grey = c.c.grey * 0.8f;
  }
}

void setRandomOpacity(HostArt copy) {
  float opacity = sRandom->floatRandom();
  sBlend->setOpacity(copy, opacity);
}

// The stroke colour (and for some options the opacity) of a copy. An option outside the list
// gives black, as the list's first entry does.
void sketchColour(const BurstParams& p, const GenerationState& s, HostArt copy, HostColor& stroke) {
  switch (p.sketchColor) {
    case 1:  // the element's own stroke colour
      break;
    case 2:
      makeRandom(stroke);
      break;
    case 3: {
      int32_t k = randomSwatchPosition(sRandom->floatRandom(), s.swatchCount);
      HostColor swatch;
      if (lookUpSwatch(k, s.swatchCount, &swatch)) stroke = swatch;  // none there: the stroke keeps its colour
      break;
    }
    case 4:
      reduce(stroke);
      break;
    case 5: {
      float r = sRandom->floatRandom();
      if (r > 0.5f) reduce(stroke);
      break;
    }
    case 6: {
      float r = sRandom->floatRandom();
      if (r > 0.5f) {
        makeBlack(stroke);
      } else {
        makeRandom(stroke);
      }
      break;
    }
    case 7:
      // Black until something has moved in this run: there is no shift to show yet.
      if (p.sketchShift == 0.0f || !s.sketchDisplaced) {
        makeBlack(stroke);
      } else {
        float first = s.lastOutShiftV / p.sketchShift;
        float second = s.lastAnchorShiftV / p.sketchShift;
        float third = s.lastInShiftH / p.sketchShift;
        setProcess(stroke, first, first, second, third);
      }
      break;
    case 8:
      setRandomOpacity(copy);
      makeBlack(stroke);
      break;
    case 9:
      setRandomOpacity(copy);
      makeRandom(stroke);
      break;
    case 10:
      // Every copy duplicates the element, so the reduction never compounds.
      sBlend->setOpacity(copy, sBlend->getOpacity(copy) * 0.8f);
      break;
    case 11:
      setRandomOpacity(copy);
      makeWhite(stroke);
      break;
    default:
      makeBlack(stroke);
      break;
  }
}

HostErr addSketchCopy(const BurstParams& p, GenerationState& s) {
  // Always a copy of the element, never of the previous copy, so shifts do not add up.
  HostArt copy = nullptr;
  if (HostErr e = sArt->duplicateArt(s.art, kPlaceAboveAll, nullptr, &copy)) return e;

  float r1 = sRandom->floatRandom();
  float signX = r1 > 0.5f ? -1.0f : 1.0f;
  float r2 = sRandom->floatRandom();
  float shiftX = r2 * p.sketchShift * signX;
  float r3 = sRandom->floatRandom();
  float signY = r3 > 0.5f ? -1.0f : 1.0f;
  float r4 = sRandom->floatRandom();
  float shiftY = r4 * p.sketchShift * signY;
  if (shiftX != 0.0f || shiftY != 0.0f)
    if (HostErr e = shiftSegments(copy, p.randomSketchShift != 0, shiftX, shiftY, s)) return e;

  // An unread style is never written back, but the draws still happen so that the rest of the
  // design does not depend on whether the host could answer.
  HostPathStyle style{};
  bool haveStyle = sPathStyle->getPathStyle(copy, &style) == 0;
  style.strokePaint = 1;
  sketchColour(p, s, copy, style.strokeColor);
  style.fillPaint = 0;
  if (p.randomSketchWeight) {
    float r = sRandom->floatRandom();
    style.strokeWidth = r * s.sketchWeightPt;
  } else {
    style.strokeWidth = s.sketchWeightPt;
  }
  if (haveStyle) sPathStyle->setPathStyle(copy, &style);

  return mirrorByPattern(p, s, copy);
}

}  // namespace

HostErr addSketchStrokes(const BurstParams& p, GenerationState& s) {
  for (int32_t i = 0; i < p.sketchRepeats; ++i)
    if (HostErr e = addSketchCopy(p, s)) return e;
  return 0;
}

}  // namespace fl
