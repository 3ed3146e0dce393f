// The drop shadow of an element position: a copy directly beneath the element, painted by the
// document's colour model, shifted by the run's offset, then mirrored like the element.
#include "burst/mirror.h"
#include "burst/numeric.h"
#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

// The document's black, or the fill at half strength, in the document's kind. A model the host
// does not name leaves the fill as it was.
void shadowFill(HostColor& fill, int16_t model, bool half) {
  struct Shadow {
    int32_t kind;
    int count;
    float full;
  };
  Shadow to;
  switch (model) {
    case kDocumentGreyModel:
      to = {kHostColorGrey, 1, 0.0f};
      break;
    case kDocumentRGBModel:
      to = {kHostColorThree, 3, 0.0f};
      break;
    case kDocumentCMYKModel:
      to = {kHostColorFour, 4, 1.0f};
      break;
    default:
      return;
  }
  fill.kind = to.kind;
  for (int i = 0; i < to.count; ++i) setComponentAt(fill, i, half ? componentAt(fill, i) * 0.5f : to.full);
}

// Squashes the shadow vertically towards the middle of its bottom edge; its width stays.
HostErr squash(HostArt shadow) {
  HostRealRect r;
  if (HostErr e = sArt->getArtBounds(shadow, &r)) return e;
  float cx = r.left + (r.right - r.left) / 2.0f;
  float amount = sRandom->floatRandom();
  HostMatrix m = kIdentityMatrix;
  sMath->matrixSetTranslate(&m, -cx, -r.bottom);
  sMath->matrixConcatScale(&m, 1.0f, amount);
  sMath->matrixConcatTranslate(&m, cx, r.bottom);
  return sTransform->transformArt(shadow, &m, 1.0f, kTransformObjects);
}

}  // namespace

HostErr addDropShadow(const BurstParams& p, const GenerationState& s) {
  if (!p.dropShadow) return 0;
  // Directly below its element whatever placeBelow says: the shadow belongs to its element, not
  // to the stacking of the ring.
  HostArt shadow = nullptr;
  if (HostErr e = sArt->duplicateArt(s.art, kPlaceBelow, s.art, &shadow)) return e;

  // A style that could not be read is not written: the copy keeps the element's paint.
  HostPathStyle style;
  if (sPathStyle->getPathStyle(s.art, &style) == 0) {
    int16_t model = -1;  // stays "no model" when the host cannot say
    sDocument->getDocumentColorModel(&model);
    shadowFill(style.fillColor, model, p.halfFillShadow != 0);
    sPathStyle->setPathStyle(shadow, &style);
  }

  if (p.randomShadowOpacity) {
    float opacity = sRandom->floatRandom();
    sBlend->setOpacity(shadow, opacity);
  }

  HostMatrix offset = kIdentityMatrix;
  sMath->matrixSetTranslate(&offset, s.shadowOffsetX, s.shadowOffsetY);
  if (HostErr e = sTransform->transformArt(shadow, &offset, 1.0f, kTransformObjects)) return e;

  if (p.randomShadowScaling)
    if (HostErr e = squash(shadow)) return e;

  return mirrorByPattern(p, s, shadow);
}

}  // namespace fl
