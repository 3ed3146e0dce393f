#include "random_source.h"

namespace flhost {

void RandomSource::reseed(uint64_t seed) {
  seed_ = seed;
  engine_.seed(seed);
  queued_.clear();
  draws_ = 0;
  drawingStart_ = 0;
  startPosition_ = position();
}

void RandomSource::restore(const Position& p) {
  seed_ = p.seed;
  engine_ = p.engine;
  queued_ = p.queued;
  draws_ = p.draws;
}

float RandomSource::next() {
  ++draws_;
  if (!queued_.empty()) {
    float r = queued_.front();
    queued_.pop_front();
    return r;
  }
  // 24 random bits: every float of the form k / 2^24, uniform and never 1.
  return static_cast<float>(engine_() >> 40) * (1.0f / 16777216.0f);
}

void RandomSource::skip(uint64_t n) {
  for (uint64_t i = 0; i < n; ++i) next();
}

uint64_t RandomSource::freshSeed() {
  std::random_device device;
  return (static_cast<uint64_t>(device()) << 32 | device()) % 1000000000000ull;
}

}  // namespace flhost
