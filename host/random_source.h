// The host's random source: a seeded generator, optionally preceded by an exact list of first
// draws so that any design, and any edge case, can be made again.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <vector>

namespace flhost {

class RandomSource {
 public:
  // Where the source stands: its whole state. Restoring it brings back the draws that followed it.
  struct Position {
    uint64_t seed = 0;
    std::mt19937_64 engine;
    std::deque<float> queued;
    uint64_t draws = 0;
  };

  explicit RandomSource(uint64_t seed = 1) { reseed(seed); }
  // Starts the source again from `seed`: no draws taken, none queued, no drawing start noted.
  void reseed(uint64_t seed);
  uint64_t seed() const { return seed_; }
  // The next draws come from this list, in order, before the seeded generator resumes.
  void queueDraws(const std::vector<float>& draws) { queued_.insert(queued_.end(), draws.begin(), draws.end()); }
  size_t queuedLeft() const { return queued_.size(); }
  // A uniform draw in [0, 1).
  float next();
  uint64_t drawCount() const { return draws_; }
  // Takes n draws and drops them: the source then stands where it stood after n draws.
  void skip(uint64_t n);
  // The draw count when the plug-in last took back its call's changes (0 until then). The plug-in
  // takes them back before every drawing of a design, so the design in the document was drawn
  // from the draws after this one: the seed, the first draws and this count make it again.
  void markDrawingStart() {
    drawingStart_ = draws_;
    startPosition_ = position();
  }
  uint64_t drawingStart() const { return drawingStart_; }
  // The whole state at the last drawing start (as reseed left it until the first).
  const Position& drawingStartPosition() const { return startPosition_; }
  // The source as it stands now, and put back where it stood: the next draws are those that
  // followed that position. The drawing start is left as it is.
  Position position() const { return Position{seed_, engine_, queued_, draws_}; }
  void restore(const Position& p);
  // A fresh seed from the system's entropy source, for runs where the user gives none.
  static uint64_t freshSeed();

 private:
  uint64_t seed_ = 0;
  std::mt19937_64 engine_;
  std::deque<float> queued_;
  uint64_t draws_ = 0;
  uint64_t drawingStart_ = 0;
  Position startPosition_;
};

}  // namespace flhost
