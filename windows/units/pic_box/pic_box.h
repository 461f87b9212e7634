// The picture box (PicBox): a frame that shows a picture on its back colour. An animated
// GIF plays frame by frame, with each frame's delay, disposal and transparency, while
// play animation is on; the frames advance on a timer of the GUI thread.
//
// Properties: 8 border 0-5; 9 back colour (no colour: the button face); 10 picture;
// 11 display mode (0 natural size at the top-left, 1 stretched to the box, 2 centred
// and shrunk to fit with its aspect kept); 12 play animation; 13, 14 data binding
// (kept only).
#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string_view>

#include "runtime/picture/gif.h"
#include "windows/unit.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kPicBoxType = 0x00010006;

namespace pic_box_property {
enum : int { kBorder = 8, kBackColour, kPicture, kDisplayMode, kPlayAnimation, kDataSource, kDataColumn };
}

// The widget: the back colour, the picture placed by the display mode, the border.
class PicBoxWidget : public QWidget {
 public:
  explicit PicBoxWidget(QWidget* parent);

  void SetBorder(int border);
  void SetBackColour(const QColor& colour);
  void SetDisplayMode(int mode);
  // Decodes picture bytes; an empty or undecodable picture shows nothing.
  void SetPicture(std::string_view bytes);
  void SetPlaying(bool play);

  bool Animated() const { return animation_ != nullptr; }
  bool Playing() const { return timer_.isActive(); }
  int FrameNumber() const { return frameNumber_; }
  // How long the frame shown stays, in milliseconds (the frame timer's interval).
  int FrameDelayMs() const { return delayMs_; }
  // What the frame timer does when the frame's delay is up: the next frame (the first
  // again after the last) and, while playing, the timer started for its delay. Tests
  // step the animation with it instead of waiting for the timer.
  void AdvanceFrame();
  // Where the picture goes inside the box for the current display mode.
  QRect PictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool ShowNextFrame();  // false when the animation has no frame to show
  void Restart();

  int border_ = 0;
  QColor back_;
  int mode_ = 0;
  bool play_ = true;
  QImage image_;  // the picture, or the animation's screen as it stands
  std::unique_ptr<GifAnimation> animation_;  // a GIF of more than one frame
  int frameNumber_ = 0;  // from 1, of the frame shown (0: none yet)
  int delayMs_ = 0;      // of the frame shown
  QTimer timer_;
};

class PicBoxUnit : public Unit {
 public:
  explicit PicBoxUnit(const CreateArgs& args);
  ~PicBoxUnit() override;

  QWidget* Widget() const override { return widget_; }
  PicBoxWidget* Box() const { return widget_; }
  bool Apply(int index) override;
  // Shows every property on the widget (after creation).
  void ApplyAll();

 private:
  QPointer<PicBoxWidget> widget_;
};

void RegisterPicBoxType();

}  // namespace zorvel::forms
