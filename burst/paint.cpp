// The paint of a fresh element: colour modes by element and by star, fill dimming, opacity,
// random stroke width and random art style.
#include "burst/host_draws.h"
#include "burst/numeric.h"
#include "burst/steps.h"
#include "params/burst_fields.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

enum class Channel { Fill, Stroke };

// One colour a mode changes: the fill or the stroke, with its mode and its swatch position.
struct ChannelMode {
  Channel channel;
  ColorMode mode;
  int32_t swatchPosition;
};

// Where a colour mode stands along its ramp: index e of n steps, with the middle h = trunc(n / 2).
struct ColorRamp {
  int32_t index, half, steps;
};

ColorRamp rampOf(int32_t index, float steps) { return {index, trunc32(steps / 2.0f), trunc32(steps)}; }

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

// Changes one colour of the art by its mode and writes the style back (also when nothing
// changed). Nothing at all happens for ColorMode::Ignore or zero steps. The result is that of
// the style calls: when the style cannot be read the art is left as it is, without a draw.
HostErr applyColorMode(const ChannelMode& m, const ColorRamp& ramp, HostArt art, int32_t swatchCount) {
  if (m.mode == ColorMode::Ignore || ramp.steps == 0) return kHostNoErr;
  HostPathStyle style;
  if (HostErr e = sPathStyle->getPathStyle(art, &style)) return e;
  HostColor& color = m.channel == Channel::Fill ? style.fillColor : style.strokeColor;
  HostBool& paint = m.channel == Channel::Fill ? style.fillPaint : style.strokePaint;
  Components comps = componentsOf(color);
  bool three = color.kind == kHostColorThree;
  const float e = static_cast<float>(ramp.index);
  const float n = static_cast<float>(ramp.steps);
  const float h = static_cast<float>(ramp.half);
  const bool odd = (ramp.index % 2) != 0;

  // Moves every component: towards 0 (the ink-free end for grey and four-colour, black for
  // three-colour) or the other way.
  auto each = [&](auto f) {
    for (int i = 0; i < comps.count; ++i) *comps.c[i] = f(*comps.c[i], i);
  };
  auto towardsZero = [&](float c) { return c - c * e / n; };
  auto towardsOne = [&](float c) { return c + (1.0f - c) * e / n; };

  switch (m.mode) {
    case ColorMode::Ignore:
      break;
    case ColorMode::ToWhite:
      each([&](float c, int) { return three ? towardsOne(c) : towardsZero(c); });
      break;
    case ColorMode::ToBlack:
      each([&](float c, int) { return three ? towardsZero(c) : towardsOne(c); });
      break;
    case ColorMode::RandomColors:  // drawn in component order
      if (color.kind == kHostColorFour) {
        color.c.four.cyan = sRandom->floatRandom();
        color.c.four.magenta = sRandom->floatRandom();
        color.c.four.yellow = sRandom->floatRandom();
        color.c.four.black = color.c.four.black * sRandom->floatRandom();
      } else {
        each([&](float, int) { return sRandom->floatRandom(); });
      }
      break;
    case ColorMode::RandomSwatches: {  // the whole record, kind included
      int32_t k = randomSwatchPosition(sRandom->floatRandom(), swatchCount);
      HostColor swatch;
      if (lookUpSwatch(k, swatchCount, &swatch)) color = swatch;
      paint = 1;
      break;
    }
    case ColorMode::ToWhiteMidpoint:  // to white up to the middle, then back the other way
      if (ramp.index <= ramp.half) {
        each([&](float c, int) { return three ? towardsOne(c) : towardsZero(c); });
      } else {
        each([&](float c, int) { return three ? c - (1.0f - c) * (e - h) / n : c + c * (e - h) / n; });
      }
      break;
    case ColorMode::ToSwatch: {  // component by position; the element keeps its kind
      paint = 1;
      HostColor swatch;
      if (lookUpSwatch(m.swatchPosition, swatchCount, &swatch)) {
        each([&](float c, int i) {
          float sc = componentAt(swatch, i);
          return c + (sc - c) * e / n;
        });
      }
      break;
    }
    case ColorMode::ToHalfColor:
      each([&](float c, int) { return c - c * e / (2.0f * n); });
      break;
    case ColorMode::ToInverted:
      each([&](float c, int) { return c + (1.0f - 2.0f * c) * e / n; });
      break;
    case ColorMode::AlternateWhite:
      if (odd) each([&](float, int) { return three ? 1.0f : 0.0f; });
      break;
    case ColorMode::AlternateBlack:
      if (odd) each([&](float, int) { return three ? 0.0f : 1.0f; });
      break;
    case ColorMode::AlternateSwatch: {
      paint = 1;
      HostColor swatch;
      if (odd && lookUpSwatch(m.swatchPosition, swatchCount, &swatch))
        each([&](float, int i) { return componentAt(swatch, i); });
      break;
    }
    case ColorMode::AlternateInverted: {  // the swatch is looked up but not used
      HostColor swatch;
      lookUpSwatch(m.swatchPosition, swatchCount, &swatch);
      paint = 1;
      if (odd) each([&](float c, int) { return 1.0f - c; });
      break;
    }
    case ColorMode::ToHalfColorInverted:
      each([&](float c, int) {
        float d = (1.0f - c) * e / (2.0f * n);
        return c > 1.0f - c / 2.0f ? c - d : c + d;
      });
      break;
    case ColorMode::TenPercentReduction:  // the stroke variant reduces the stroke colour alike
      each([&](float c, int) { return c - 0.9f * c * e / n; });
      break;
  }
  return sPathStyle->setPathStyle(art, &style);
}

// The fill's and the stroke's modes at one index, the fill first; the first failure of the two.
HostErr applyModes(const BurstParams& p, HostArt art, int32_t swatchCount, float fillSteps, float strokeSteps,
                   int32_t index) {
  HostErr fill = applyColorMode({Channel::Fill, static_cast<ColorMode>(p.fillColor), p.fillSwatch},
                                rampOf(index, fillSteps), art, swatchCount);
  HostErr stroke = applyColorMode({Channel::Stroke, static_cast<ColorMode>(p.strokeColor), p.strokeSwatch},
                                  rampOf(index, strokeSteps), art, swatchCount);
  return fill ? fill : stroke;
}

HostErr dimFill(HostArt art, float factor) {
  HostPathStyle style;
  if (HostErr e = sPathStyle->getPathStyle(art, &style)) return e;
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
  return sPathStyle->setPathStyle(art, &style);
}

// The random stroke width; the draw is taken also when the style cannot be read, so the draws
// after it stay where they would be.
HostErr randomiseWidth(HostArt art, float referenceWidth) {
  HostPathStyle style;
  HostErr read = sPathStyle->getPathStyle(art, &style);
  float width = sRandom->floatRandom() * referenceWidth;
  if (read) return read;
  style.strokeWidth = width;
  return sPathStyle->setPathStyle(art, &style);
}

// A failed path-style or opacity call leaves that part of the element's paint as the host has it
// and the run goes on; only the art style's failures end it.
void goOnAfter(HostErr) {}

}  // namespace

HostErr paintElement(const BurstParams& p, const GenerationState& s) {
  if (p.applyToUniqueElements)
    goOnAfter(applyModes(p, s.art, s.swatchCount, s.fillElementSteps, s.strokeElementSteps, s.elementIndex));
  if (p.applyToStars) goOnAfter(applyModes(p, s.art, s.swatchCount, s.fillStarSteps, s.strokeStarSteps, s.starIndex));

  float fill = s.factor(kFill);
  if (fill != 1.0f) goOnAfter(dimFill(s.art, fill));

  float opacity =
      p.randomOpacity ? sRandom->floatRandom() * s.factor(kOpacity) : s.factor(kOpacity) * s.referenceOpacity;
  goOnAfter(sBlend->setOpacity(s.art, opacity));

  if (p.randomWidth) goOnAfter(randomiseWidth(s.art, s.referenceStrokeWidth));

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
