#include "burst/generate.h"

#include "burst/numeric.h"
#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

void advanceElementFactors(const BurstParams& p, GenerationState& s) {
  if (s.elementPulseCount == p.elementPulse) {
    for (RunningFactor& f : s.factors) f.element = 1.0f;
    s.elementPulseCount = 1;
  } else {
    for (RunningFactor& f : s.factors) f.element = f.element * f.perElement;
    s.elementPulseCount += 1;
  }
}

void advanceStarFactors(const BurstParams& p, GenerationState& s) {
  if (s.starPulseCount == p.starPulse) {
    for (RunningFactor& f : s.factors) f.star = 1.0f;
    s.starPulseCount = 1;
  } else {
    for (RunningFactor& f : s.factors) f.star = f.star * f.perStar;
    s.starPulseCount += 1;
  }
}

void setUpRun(BurstParams* p, GenerationState& s) {
  for (int k = 0; k < kFactorPairCount; ++k) {
    s.factors[k].perStar = *factorField(p, k, 0) * 0.01f;
    s.factors[k].perElement = *factorField(p, k, 1) * 0.01f;
  }
  s.sketchWeightPt = p->sketchWeight / 10.0f;
  s.shadowOffsetX = 20.0f;
  s.shadowOffsetY = -20.0f;
  if (p->randomShadowDirection) {
    float r1 = sRandom->floatRandom();
    float s1 = r1 <= 0.5f ? 1.0f : -1.0f;
    float r2 = sRandom->floatRandom();
    s.shadowOffsetX = r2 * s1 * 20.0f;
    float r3 = sRandom->floatRandom();
    float s2 = r3 <= 0.5f ? 1.0f : -1.0f;
    float r4 = sRandom->floatRandom();
    s.shadowOffsetY = r4 * s2 * -20.0f;
  }
  HostDocumentSetup setup = {};
  sDocument->getDocumentSetup(&setup);
  s.pageWidth = setup.width;
  s.pageHeight = setup.height;
  s.halfPageWidth = s.pageWidth * 0.5f;
  s.halfPageHeight = s.pageHeight * 0.5f;
  s.interpolation = p->pathInterpolate * 0.01f;
  for (RunningFactor& f : s.factors) f.star = f.element = 1.0f;
  s.starPulseCount = 1;
  s.baseAngle = sMath->degreeToRadian(p->angle);
  s.fillStarSteps = static_cast<float>(p->fillSteps != 0 ? p->fillSteps : p->starCount - 1);
  s.strokeStarSteps = static_cast<float>(p->strokeSteps != 0 ? p->strokeSteps : p->starCount - 1);
}

void setUpStar(const BurstParams& p, GenerationState& s) {
  s.elementCount = p.burstCount;
  if (p.randomBurstCount) {
    int32_t n = trunc32(sRandom->floatRandom() * static_cast<float>(p.burstCount));
    s.elementCount = n >= 2 ? n : p.burstCount;
  }
  s.angleStep = sMath->divide(sMath->degreeToRadian(360.0f), static_cast<float>(s.elementCount));
  s.halfTurn = sMath->degreeToRadian(180.0f);
  s.skipLeft = p.burstApplySkip;
  s.runLeft = p.burstApplyRun;
  s.elementPulseCount = 1;
  s.placementAngle = 0.0f;
  s.pendingAngle = 0.0f;
  s.fillElementSteps = static_cast<float>(p.fillSteps != 0 ? p.fillSteps : s.elementCount);
  s.strokeElementSteps = static_cast<float>(p.strokeSteps != 0 ? p.strokeSteps : s.elementCount);
  if (p.randomCenter) {
    s.centreX = sRandom->floatRandom() * s.pageWidth;
    s.centreY = sRandom->floatRandom() * s.pageHeight;
  } else {
    s.centreX = p.startX;
    s.centreY = p.startY;
  }
}

// The burst-apply pattern: burstApplyRun elements drawn, then burstApplySkip left out, repeating;
// then the random leave-out; element 0 of a star is drawn whatever they decided.
bool decideDrawn(const BurstParams& p, GenerationState& s) {
  bool drawn;
  if (s.runLeft > 0) {
    drawn = true;
    s.runLeft -= 1;
    s.skipLeft = p.burstApplySkip;
  } else if (s.skipLeft > 0) {
    drawn = false;
    s.skipLeft -= 1;
  } else {
    drawn = true;
    s.runLeft = p.burstApplyRun - 1;
    s.skipLeft = p.burstApplySkip;
  }
  if (p.randomApply && sRandom->floatRandom() > 0.5f) drawn = false;
  return drawn || s.elementIndex == 0;
}

HostErr drawElement(const BurstParams& p, GenerationState& s) {
  int16_t order = p.placeBelow ? kPlaceBelowAll : kPlaceAboveAll;
  if (s.elementIndex > 0 && !p.uniqueElements) {
    // A copy keeps the size, outline and paint of the element it copies; it only turns further.
    HostArt copy = nullptr;
    if (HostErr e = sArt->duplicateArt(s.art, order, nullptr, &copy)) return e;
    s.art = copy;
  } else {
    HostArt art = nullptr;
    if (HostErr e = sArt->newArt(kHostArtPath, order, nullptr, &art)) return e;
    s.art = art;
    if (s.starIndex == 0 && s.elementIndex == 0) {
      sPathStyle->getPathStyle(s.art, &s.referenceStyle);
      s.referenceStrokeWidth = s.referenceStyle.strokeWidth;
      s.referenceOpacity = sBlend->getOpacity(s.art);
    }
    if (HostErr e = computeDimensions(p, s)) return e;
    if (HostErr e = buildShape(p, s)) return e;
    if (HostErr e = paintElement(p, s)) return e;
    if (HostErr e = transformOwnCentre(p, s)) return e;
  }
  HostErr e = placeElement(s, (s.placementAngle + s.pendingAngle) * s.factor(kFan));
  s.pendingAngle = 0.0f;
  return e;
}

HostErr drawStar(const BurstParams& p, GenerationState& s) {
  for (s.elementIndex = 0; s.elementIndex < s.elementCount;) {
    if (decideDrawn(p, s)) {
      if (HostErr e = drawElement(p, s)) return e;
    } else {
      s.pendingAngle = s.factors[kFan].star * s.factors[kFan].element * s.placementAngle + s.pendingAngle;
    }
    s.elementIndex += 1;
    s.placementAngle = (p.uniqueElements ? s.placementAngle : 0.0f) + s.angleStep;
    if (HostErr e = addDropShadow(p, s)) return e;
    if (HostErr e = mirrorAboutPattern(p, s)) return e;
    if (HostErr e = addSketchStrokes(p, s)) return e;
    advanceElementFactors(p, s);
  }
  return 0;
}

}  // namespace

HostErr generate(BurstParams* p) {
  if (p->finalRun && p->previewValid) {
    // The preview already in the document is the result.
    p->previewValid = 0;
    return 0;
  }
  if (HostErr e = sUndo->undoChanges()) return e;

  GenerationState s;
  s.swatchCount = sSwatches->countSwatches(nullptr);
  if (HostErr e = sArtStyle->countNamedArtStyles(&s.artStyleCount)) return e;
  setUpRun(p, s);

  for (s.starIndex = 0; s.starIndex < p->starCount; ++s.starIndex) {
    setUpStar(*p, s);
    if (HostErr e = drawStar(*p, s)) return e;
    advanceStarFactors(*p, s);
  }
  if (p->finalRun == 0) sDocument->redrawDocument();
  return 0;
}

HostErr go(FilterMessage* message) {
  // A Go without a record (a host that never asked for parameters) has nothing to draw from.
  if (!message->parameters || !*message->parameters) return kNoParameterBlock;
  auto* params = static_cast<BurstParams*>(*message->parameters);
  params->finalRun = 1;
  return generate(params);
}

}  // namespace fl
