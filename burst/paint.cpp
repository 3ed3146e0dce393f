// The paint of a fresh element: colour modes by element and by star, fill dimming, opacity,
// random stroke width and random art style.
#include <cstring>

#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

enum class Channel { Fill, Stroke };

int32_t trunc32(float x) { return static_cast<int32_t>(x); }

// The components a colour mode changes: those of the colour's own kind, none for other kinds.
struct Components {
  float* c[4];
  int count;
};

Components componentsOf(HostColor& color) {
  switch (color.kind) {
    case kHostColorGrey:
      return {{&color.c.grey}, 1};
    case kHostColorFour:
      return {{&color.c.four.cyan, &color.c.four.magenta, &color.c.four.yellow, &color.c.four.black}, 4};
    case kHostColorThree:
      return {{&color.c.three.red, &color.c.three.green, &color.c.three.blue}, 3};
    default:
      return {{}, 0};
  }
}

// The i-th real of a colour record's components, whatever its kind: swatch colours are taken by
// position.
float componentAt(const HostColor& color, int i) {
  float v;
  std::memcpy(&v, color.c.raw + 4 * i, sizeof v);
  return v;
}

// The colour of the swatch at position k (clamped to 0..swatchCount, then 0 and 1 become 2).
// False when the document has no swatch there: the caller then leaves its colour alone.
bool lookUpSwatch(int32_t k, int32_t swatchCount, HostColor* color) {
  if (k > swatchCount) k = swatchCount;
  if (k < 0) k = 0;
  if (k == 0 || k == 1) k = 2;
  HostSwatch swatch = sSwatches->getNthSwatch(nullptr, k);
  return sSwatches->getSwatchColor(swatch, color) == 0;
}

void applyColorMode(Channel channel, int32_t mode, HostArt art, int32_t swatchCount, int32_t swatchPosition,
                    int32_t half, int32_t index, int32_t steps) {
  if (mode == 0 || steps == 0) return;
  HostPathStyle style;
  sPathStyle->getPathStyle(art, &style);
  HostColor& color = channel == Channel::Fill ? style.fillColor : style.strokeColor;
  HostBool& paint = channel == Channel::Fill ? style.fillPaint : style.strokePaint;
  Components comps = componentsOf(color);
  bool three = color.kind == kHostColorThree;
  const float e = static_cast<float>(index);
  const float n = static_cast<float>(steps);
  const float h = static_cast<float>(half);
  const bool odd = (index % 2) != 0;

  // Moves every component: towards 0 (the ink-free end for grey and four-colour, black for
  // three-colour) or the other way.
  auto each = [&](auto f) {
    for (int i = 0; i < comps.count; ++i) *comps.c[i] = f(*comps.c[i], i);
  };
  auto towardsZero = [&](float c) { return c - c * e / n; };
  auto towardsOne = [&](float c) { return c + (1.0f - c) * e / n; };

  switch (mode) {
    case 1:  // to white
      each([&](float c, int) { return three ? towardsOne(c) : towardsZero(c); });
      break;
    case 2:  // to black
      each([&](float c, int) { return three ? towardsZero(c) : towardsOne(c); });
      break;
    case 3:  // random colours, drawn in component order
      if (color.kind == kHostColorFour) {
        color.c.four.cyan = sRandom->floatRandom();
        color.c.four.magenta = sRandom->floatRandom();
        color.c.four.yellow = sRandom->floatRandom();
        color.c.four.black = color.c.four.black * sRandom->floatRandom();
      } else {
        each([&](float, int) { return sRandom->floatRandom(); });
      }
      break;
    case 4: {  // random swatches: the whole record, kind included
      int32_t k = 1 + trunc32(sRandom->floatRandom() * static_cast<float>(swatchCount));
      HostColor swatch;
      if (lookUpSwatch(k, swatchCount, &swatch)) color = swatch;
      paint = 1;
      break;
    }
    case 5:  // to white up to the middle, then back the other way
      if (index <= half) {
        each([&](float c, int) { return three ? towardsOne(c) : towardsZero(c); });
      } else {
        each([&](float c, int) { return three ? c - (1.0f - c) * (e - h) / n : c + c * (e - h) / n; });
      }
      break;
    case 6: {  // to swatch, component by position; the element keeps its kind
      paint = 1;
      HostColor swatch;
      if (lookUpSwatch(swatchPosition, swatchCount, &swatch)) {
        each([&](float c, int i) {
          float sc = componentAt(swatch, i);
          return c + (sc - c) * e / n;
        });
      }
      break;
    }
    case 7:  // to half colour
      each([&](float c, int) { return c - c * e / (2.0f * n); });
      break;
    case 8:  // to inverted
      each([&](float c, int) { return c + (1.0f - 2.0f * c) * e / n; });
      break;
    case 9:  // alternate white
      if (odd) each([&](float, int) { return three ? 1.0f : 0.0f; });
      break;
    case 10:  // alternate black
      if (odd) each([&](float, int) { return three ? 0.0f : 1.0f; });
      break;
    case 11: {  // alternate swatch
      paint = 1;
      HostColor swatch;
      if (odd && lookUpSwatch(swatchPosition, swatchCount, &swatch))
        each([&](float, int i) { return componentAt(swatch, i); });
      break;
    }
    case 12: {  // alternate inverted; the swatch is looked up but not used
      HostColor swatch;
      lookUpSwatch(swatchPosition, swatchCount, &swatch);
      paint = 1;
      if (odd) each([&](float c, int) { return 1.0f - c; });
      break;
    }
    case 13:  // to half colour inverted
      each([&](float c, int) {
        float d = (1.0f - c) * e / (2.0f * n);
        return c > 1.0f - c / 2.0f ? c - d : c + d;
      });
      break;
    case 14:  // 10% reduction; the stroke variant reduces the stroke colour alike
      each([&](float c, int) { return c - 0.9f * c * e / n; });
      break;
    default:
      break;
  }
  sPathStyle->setPathStyle(art, &style);
}

void applyModes(const BurstParams& p, HostArt art, int32_t swatchCount, float fillSteps, float strokeSteps,
                int32_t index) {
  applyColorMode(Channel::Fill, p.fillColor, art, swatchCount, p.fillSwatch, trunc32(fillSteps / 2.0f), index,
                 trunc32(fillSteps));
  applyColorMode(Channel::Stroke, p.strokeColor, art, swatchCount, p.strokeSwatch, trunc32(strokeSteps / 2.0f),
                 index, trunc32(strokeSteps));
}

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void dimFill(HostArt art, float factor) {
  HostPathStyle style;
  sPathStyle->getPathStyle(art, &style);
  HostColor& c = style.fillColor;
  switch (c.kind) {
    case kHostColorFour:  // black stays: dimming keeps a four-colour black
      c.c.four.cyan = clamp01(c.c.four.cyan * factor);
      c.c.four.magenta = clamp01(c.c.four.magenta * factor);
      c.c.four.yellow = clamp01(c.c.four.yellow * factor);
      c.c.four.black = clamp01(c.c.four.black);
      break;
    case kHostColorThree:
      c.c.three.red = clamp01(c.c.three.red * factor);
      c.c.three.green = clamp01(c.c.three.green * factor);
      c.c.three.blue = clamp01(c.c.three.blue * factor);
      break;
    case kHostColorGrey:
      c.c.grey = clamp01(c.c.grey * factor);
      break;
    default:
      break;
  }
  sPathStyle->setPathStyle(art, &style);
}

}  // namespace

HostErr paintElement(const BurstParams& p, GenerationState& s) {
  if (p.applyToUniqueElements)
    applyModes(p, s.art, s.swatchCount, s.fillElementSteps, s.strokeElementSteps, s.elementIndex);
  if (p.applyToStars) applyModes(p, s.art, s.swatchCount, s.fillStarSteps, s.strokeStarSteps, s.starIndex);

  float fill = s.factor(kFill);
  if (fill != 1.0f) dimFill(s.art, fill);

  float opacity = p.randomOpacity ? sRandom->floatRandom() * s.factor(kOpacity) : s.factor(kOpacity) * s.referenceOpacity;
  sBlend->setOpacity(s.art, opacity);

  if (p.randomWidth) {
    HostPathStyle style;
    sPathStyle->getPathStyle(s.art, &style);
    style.strokeWidth = sRandom->floatRandom() * s.referenceStrokeWidth;
    sPathStyle->setPathStyle(s.art, &style);
  }

  if (p.randomStyle) {
    int32_t position = trunc32(sRandom->floatRandom() * static_cast<float>(s.artStyleCount));
    if (position == 0 && s.artStyleCount >= 1) position = 1;
    HostArtStyle style = nullptr;
    if (HostErr e = sArtStyle->getNthNamedArtStyle(position, &style)) return e;
    if (HostErr e = sArtStyle->applyArtStyle(s.art, style)) return e;
  }
  return 0;
}

}  // namespace fl
