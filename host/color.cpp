#include "color.h"

#include <algorithm>

namespace flhost {

namespace {
float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
}  // namespace

bool isProcessKind(int32_t kind) { return kind == kHostColorGrey || kind == kHostColorFour || kind == kHostColorThree; }

Rgb toRgb(const HostColor& c) {
  // clang-format off
  switch (c.kind) {
    case kHostColorGrey: {
      float v = clamp01(1.0f - c.c.grey);
      return {v, v, v};
    }
    case kHostColorFour: {
      float k = 1.0f - clamp01(c.c.four.black);
      return {(1.0f - clamp01(c.c.four.cyan)) * k, (1.0f - clamp01(c.c.four.magenta)) * k,
              (1.0f - clamp01(c.c.four.yellow)) * k};
    }
    case kHostColorThree: return {clamp01(c.c.three.red), clamp01(c.c.three.green), clamp01(c.c.three.blue)};
    case kHostColorSpot: {
      const HostSpotColor& s = c.c.spot;
      float t = clamp01(s.tint);
      float k = 1.0f - clamp01(s.k);
      Rgb full = {(1.0f - clamp01(s.c)) * k, (1.0f - clamp01(s.m)) * k, (1.0f - clamp01(s.y)) * k};
      return {1.0f - t * (1.0f - full.r), 1.0f - t * (1.0f - full.g), 1.0f - t * (1.0f - full.b)};
    }
    default: return {0.0f, 0.0f, 0.0f};
  }
  // clang-format on
}

HostColor fromRgb(int32_t kind, Rgb rgb) {
  HostColor c{};
  c.kind = kind;
  switch (kind) {
    case kHostColorGrey:
      c.c.grey = 1.0f - (0.299f * rgb.r + 0.587f * rgb.g + 0.114f * rgb.b);
      break;
    case kHostColorFour: {
      float k = 1.0f - std::max({rgb.r, rgb.g, rgb.b});
      if (k >= 1.0f) {
        c.c.four = {0, 0, 0, 1};
      } else {
        c.c.four = {(1 - rgb.r - k) / (1 - k), (1 - rgb.g - k) / (1 - k), (1 - rgb.b - k) / (1 - k), k};
      }
      break;
    }
    default:
      c.kind = kHostColorThree;
      c.c.three = {rgb.r, rgb.g, rgb.b};
      break;
  }
  return c;
}

namespace {

HostColor blendColor(const HostColor& first, const HostColor& second, float t) {
  if (!isProcessKind(first.kind) || !isProcessKind(second.kind)) return t < 0.5f ? second : first;
  HostColor a = first.kind == second.kind ? first : fromRgb(second.kind, toRgb(first));
  HostColor r = second;
  auto mix = [t](float from, float to) { return from + (to - from) * t; };
  switch (second.kind) {
    case kHostColorGrey:
      r.c.grey = mix(second.c.grey, a.c.grey);
      break;
    case kHostColorFour:
      r.c.four.cyan = mix(second.c.four.cyan, a.c.four.cyan);
      r.c.four.magenta = mix(second.c.four.magenta, a.c.four.magenta);
      r.c.four.yellow = mix(second.c.four.yellow, a.c.four.yellow);
      r.c.four.black = mix(second.c.four.black, a.c.four.black);
      break;
    default:
      r.c.three.red = mix(second.c.three.red, a.c.three.red);
      r.c.three.green = mix(second.c.three.green, a.c.three.green);
      r.c.three.blue = mix(second.c.three.blue, a.c.three.blue);
      break;
  }
  return r;
}

}  // namespace

HostPathStyle blendPathStyles(const HostPathStyle& first, const HostPathStyle& second, float t) {
  HostPathStyle r = second;
  r.fillColor = blendColor(first.fillColor, second.fillColor, t);
  r.strokeColor = blendColor(first.strokeColor, second.strokeColor, t);
  r.fillPaint = t < 0.5f ? second.fillPaint : first.fillPaint;
  r.strokePaint = t < 0.5f ? second.strokePaint : first.strokePaint;
  r.strokeWidth = second.strokeWidth + (first.strokeWidth - second.strokeWidth) * t;
  return r;
}

}  // namespace flhost
