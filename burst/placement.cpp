// Swinging a drawn element about the star's centre into its place on the ring.
#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

HostErr placeElement(const GenerationState& s, float angle) {
  HostMatrix m = kIdentityMatrix;
  sMath->matrixSetTranslate(&m, -s.centreX, -s.centreY);
  sMath->matrixConcatRotate(&m, angle);
  sMath->matrixConcatTranslate(&m, s.centreX, s.centreY);
  return sTransform->transformArt(s.art, &m, 1.0f, kTransformObjects);
}

}  // namespace fl
