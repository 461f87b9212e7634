#include "runtime/movie/player.h"

#include <cmath>

namespace zorvel::movie {

Player::Player(const Movie& movie, QSize size, bool withBackground)
    : movie_(movie), timeline_(movie), renderer_(movie), image_(MakeFrameImage(size)), withBackground_(withBackground) {}

std::int64_t Player::FrameAt(std::chrono::nanoseconds elapsed) const {
  if (elapsed.count() <= 0) return 1;
  // Whole frames elapsed, in integer nanoseconds × rate so that a frame boundary is exact.
  const double frames = std::floor(static_cast<double>(elapsed.count()) * movie_.info().frameRate / 1e9 + 1e-9);
  return static_cast<std::int64_t>(std::min(frames, 9e15)) + 1;
}

bool Player::Update(std::chrono::nanoseconds elapsed) {
  const std::int64_t due = FrameAt(elapsed);
  if (due == shown_) return false;
  timeline_.GoTo(due);
  renderer_.Render(timeline_, image_, withBackground_);
  shown_ = due;
  return true;
}

void Player::Resize(QSize size) {
  image_ = MakeFrameImage(size);
  shown_ = 0;
}

}  // namespace zorvel::movie
