// Playing a movie's timelines: the display list of the main timeline at any frame
// counted from the start of playback, each sprite instance with a display list and a
// playhead of its own. Stepping forward one frame costs what that frame changes (and a
// step of every sprite instance); going back replays from the start.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/movie/movie.h"

namespace zorvel::movie {

struct SpriteState;

// One object on a display list.
struct Instance {
  std::uint16_t depth = 0;
  std::uint16_t characterId = 0;
  Character character;
  Matrix matrix;
  ColorTransform colorTransform;
  bool mask = false;  // a clipping mask: not drawn
  std::unique_ptr<SpriteState> sprite;  // a sprite's own timeline (null for shapes)
};

// A display list, sorted by depth (one object per depth).
using DisplayList = std::vector<Instance>;

struct SpriteState {
  const Sprite* sprite = nullptr;
  std::size_t frame = 0;  // 0-based frame of the sprite's timeline that is shown
  DisplayList list;
};

class Timeline {
 public:
  // At frame 1. The movie must outlive the timeline.
  explicit Timeline(const Movie& movie);

  // Back to frame 1 of playback.
  void Restart();
  // One frame further: the main timeline's next frame (looping to frame 1 after the
  // last), and every sprite instance one frame further on its own timeline.
  void Next();
  // Frame n (1-based from the start of playback; may lie past the movie's frame count).
  // Forward from the current frame, else replayed from the start; a movie without
  // sprites goes straight to the frame's place in a pass.
  void GoTo(std::int64_t n);

  // Frames shown since the start of playback, 1 for the first.
  std::int64_t frame() const { return frame_; }
  // The main timeline's frame shown, 1-based (0 in a movie without frames).
  int movieFrame() const { return movie_.timeline().frames.empty() ? 0 : static_cast<int>(mainFrame_) + 1; }
  const DisplayList& displayList() const { return list_; }
  // Objects alive, in every sprite included.
  std::size_t instanceCount() const { return live_; }
  const Movie& movie() const { return movie_; }

 private:
  void Apply(DisplayList& list, const std::vector<Command>& commands, int nesting, bool makeSprites);
  void Init(Instance& instance, int nesting);
  void StartSprite(Instance& instance, int nesting);
  void Release(const Instance& instance);
  void AdvanceList(DisplayList& list, int nesting);
  void Step(DisplayList& list, const TimelineData& timeline, std::size_t& frame, int nesting);

  const Movie& movie_;
  DisplayList list_;
  std::size_t mainFrame_ = 0;
  std::int64_t frame_ = 1;
  std::size_t live_ = 0;
};

}  // namespace zorvel::movie
