// A movie played by the clock: given the time since playback started, it shows the
// frame due at the movie's frame rate and draws only when that frame changes.
#pragma once

#include <QImage>
#include <chrono>
#include <cstdint>

#include "runtime/movie/movie.h"
#include "runtime/movie/render.h"
#include "runtime/movie/timeline.h"

namespace zorvel::movie {

class Player {
 public:
  // A picture of the size; the movie must outlive the player.
  Player(const Movie& movie, QSize size, bool withBackground = true);

  // Brings the picture to the frame due `elapsed` after the start of playback (frame 1
  // from 0 up to one frame's time, …). Returns whether the picture was drawn anew: the
  // first call always draws, later ones only when the frame changed.
  bool Update(std::chrono::nanoseconds elapsed);
  // The frame due at a time since the start of playback (1-based).
  std::int64_t FrameAt(std::chrono::nanoseconds elapsed) const;

  // A new picture size; the next Update draws.
  void Resize(QSize size);

  const QImage& image() const { return image_; }
  // The frame shown (0 before the first Update).
  std::int64_t frame() const { return shown_; }
  const Timeline& timeline() const { return timeline_; }

 private:
  const Movie& movie_;
  Timeline timeline_;
  Renderer renderer_;
  QImage image_;
  bool withBackground_;
  std::int64_t shown_ = 0;
};

}  // namespace zorvel::movie
