// GIF87a / GIF89a streams: the first image for a picture record, and every frame
// composed onto the logical screen for the units that animate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/picture/picture.h"

namespace zorvel {

// Fills a kind-5 picture from a GIF stream (the first image and its colour table, the
// transparent colour when marked). False with a reason when the stream is refused.
bool DecodeGifPicture(const std::uint8_t* data, std::size_t size, Picture& picture, std::string* reason);

struct GifFrame {
  std::int32_t delayMs = 0;           // the graphic control's delay (hundredths) × 10
  int disposal = 0;                   // 0 none, 1 keep, 2 restore to background, 3 restore to previous
  std::uint32_t transparentColour = kNoColour;  // 0x00BBGGRR of the frame's transparent index, if any
  std::int32_t left = 0, top = 0, width = 0, height = 0;  // the frame's own rectangle on the screen
};

// Plays a GIF frame by frame. The screen holds straight 0xAARRGGBB pixels, rows
// top-down, the logical screen's size; pixels no frame has painted are transparent.
class GifAnimation {
 public:
  GifAnimation();
  ~GifAnimation();
  GifAnimation(GifAnimation&&) noexcept;
  GifAnimation& operator=(GifAnimation&&) noexcept;

  // Reads the header and keeps a copy of the stream. False with a reason when refused.
  bool Open(const std::uint8_t* data, std::size_t size, std::string* reason = nullptr);
  std::int32_t width() const;
  std::int32_t height() const;
  // Applies the previous frame's disposal, then composes the next frame onto the
  // screen. False at the end of the stream or where the stream breaks off; the last
  // frame then stays on the screen as it was shown. A frame whose image data is cut
  // short is shown with what there is (the pixels it does not reach keep what lay
  // there) and is the last one. A frame whose data gives no pixel at all (no data, an
  // end code or a bad code first, a minimum code size outside 2 to 11) is not shown:
  // the animation ends before it.
  bool Next(GifFrame& frame);
  // Back to before the first frame, with a cleared screen.
  void Rewind();
  const std::vector<std::uint32_t>& screen() const;

 private:
  struct State;
  static bool NextFrame(State& state, GifFrame& frame);
  std::unique_ptr<State> state_;
};

}  // namespace zorvel
