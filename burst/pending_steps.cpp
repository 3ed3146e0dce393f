// Steps of the element body whose drawing is not built yet: each leaves the element as it is.
#include "burst/steps.h"

namespace fl {

HostErr addDropShadow(const BurstParams&, GenerationState&) { return 0; }
HostErr mirrorAboutPattern(const BurstParams&, GenerationState&) { return 0; }
HostErr addSketchStrokes(const BurstParams&, GenerationState&) { return 0; }

}  // namespace fl
