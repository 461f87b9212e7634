#include "windows/units/pic_box/pic_box.h"

#include <QPainter>
#include <algorithm>

#include "windows/units/control_common/control_common.h"
#include "windows/units/pic_box/box_border.h"

namespace zorvel::forms {

namespace pp = pic_box_property;

namespace {

// Frames that ask for no delay, or for one too short to see, are shown for a tenth of
// a second, as picture viewers do.
constexpr int kShortestDelayMs = 20;
constexpr int kNoDelayMs = 100;

int FrameDelay(std::int32_t delayMs) { return delayMs <= 10 ? kNoDelayMs : std::max(delayMs, kShortestDelayMs); }

QImage ScreenImage(const GifAnimation& animation) {
  const std::vector<std::uint32_t>& screen = animation.screen();
  const int w = animation.width(), h = animation.height();
  if (w <= 0 || h <= 0 || screen.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) return {};
  return QImage(reinterpret_cast<const uchar*>(screen.data()), w, h, w * 4, QImage::Format_ARGB32).copy();
}

}  // namespace

// ---- PicBoxWidget ----

PicBoxWidget::PicBoxWidget(QWidget* parent) : QWidget(parent), back_(control::kButtonFace) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { AdvanceFrame(); });
}

void PicBoxWidget::SetBorder(int border) {
  border_ = border;
  update();
}

void PicBoxWidget::SetBackColour(const QColor& colour) {
  back_ = colour;
  update();
}

void PicBoxWidget::SetDisplayMode(int mode) {
  mode_ = mode;
  if (animation_ != nullptr) Restart();
  update();
}

void PicBoxWidget::SetPicture(std::string_view bytes) {
  timer_.stop();
  animation_.reset();
  image_ = QImage();
  frameNumber_ = 0;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (DetectPictureKind(data, bytes.size()) == PictureKind::kGif) {
    auto animation = std::make_unique<GifAnimation>();
    GifFrame frame;
    if (animation->Open(data, bytes.size()) && animation->Next(frame)) {
      image_ = ScreenImage(*animation);
      frameNumber_ = 1;
      delayMs_ = FrameDelay(frame.delayMs);
      // Only a stream with a second frame is played.
      GifAnimation probe;
      GifFrame second;
      if (probe.Open(data, bytes.size()) && probe.Next(second) && probe.Next(second)) animation_ = std::move(animation);
    }
  } else if (std::optional<QImage> image = control::DecodePicture(bytes)) {
    image_ = std::move(*image);
  }
  if (animation_ != nullptr && play_) timer_.start(delayMs_);
  update();
}

void PicBoxWidget::SetPlaying(bool play) {
  play_ = play;
  if (!play) timer_.stop();
  else if (animation_ != nullptr && !timer_.isActive()) timer_.start(delayMs_);
}

void PicBoxWidget::AdvanceFrame() {
  if (ShowNextFrame() && play_) timer_.start(delayMs_);
}

bool PicBoxWidget::ShowNextFrame() {
  if (animation_ == nullptr) return false;
  GifFrame frame;
  if (!animation_->Next(frame)) {
    // The end of the stream: play it again from the first frame.
    animation_->Rewind();
    frameNumber_ = 0;
    if (!animation_->Next(frame)) return false;
  }
  ++frameNumber_;
  delayMs_ = FrameDelay(frame.delayMs);
  image_ = ScreenImage(*animation_);
  update();
  return true;
}

void PicBoxWidget::Restart() {
  timer_.stop();
  animation_->Rewind();
  frameNumber_ = 0;
  if (ShowNextFrame() && play_) timer_.start(delayMs_);
}

QRect PicBoxWidget::PictureRect() const {
  const int b = BorderWidth(border_);
  const QRect client = rect().adjusted(b, b, -b, -b);
  if (image_.isNull()) return {};
  const int pw = image_.width(), ph = image_.height();
  switch (mode_) {
    case 1: return client;
    case 2: {
      if (pw <= client.width() && ph <= client.height()) {
        return QRect(client.x() + (client.width() - pw) / 2, client.y() + (client.height() - ph) / 2, pw, ph);
      }
      const double scale = std::min(static_cast<double>(client.width()) / pw, static_cast<double>(client.height()) / ph);
      const int w = static_cast<int>(pw * scale), h = static_cast<int>(ph * scale);
      return QRect(client.x() + (client.width() - w) / 2, client.y() + (client.height() - h) / 2, w, h);
    }
    default: return QRect(client.topLeft(), QSize(pw, ph));
  }
}

void PicBoxWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int b = BorderWidth(border_);
  const QRect client = rect().adjusted(b, b, -b, -b);
  painter.fillRect(rect(), back_);
  if (!image_.isNull()) {
    painter.save();
    painter.setClipRect(client);
    // Shrinking averages the picture's pixels; enlarging repeats them, as the
    // platform's half-tone stretch does.
    const QRect target = PictureRect();
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          target.width() < image_.width() || target.height() < image_.height());
    painter.drawImage(target, image_);
    painter.restore();
  }
  DrawBorder(painter, rect(), border_);
}

// ---- PicBoxUnit ----

PicBoxUnit::PicBoxUnit(const CreateArgs& args)
    : Unit(*FindUnitLayout(kPicBoxType), args.windowId, args.unitId), widget_(new PicBoxWidget(args.parent)) {
  control::PlaceWidget(*widget_, args);
}

PicBoxUnit::~PicBoxUnit() { control::DisposeWidget(widget_); }

void PicBoxUnit::ApplyAll() {
  widget_->SetBorder(Property(pp::kBorder).word);
  widget_->SetBackColour(control::ColourOrDefault(Property(pp::kBackColour).word, control::kButtonFace));
  widget_->SetDisplayMode(Property(pp::kDisplayMode).word);
  widget_->SetPlaying(Property(pp::kPlayAnimation).word != 0);
  widget_->SetPicture(Property(pp::kPicture).bytes);
}

bool PicBoxUnit::Apply(int index) {
  if (widget_ == nullptr) return false;
  switch (index) {
    case pp::kBorder: widget_->SetBorder(Property(pp::kBorder).word); break;
    case pp::kBackColour:
      widget_->SetBackColour(control::ColourOrDefault(Property(pp::kBackColour).word, control::kButtonFace));
      break;
    case pp::kPicture: widget_->SetPicture(Property(pp::kPicture).bytes); break;
    case pp::kDisplayMode: widget_->SetDisplayMode(Property(pp::kDisplayMode).word); break;
    case pp::kPlayAnimation: widget_->SetPlaying(Property(pp::kPlayAnimation).word != 0); break;
    default: break;
  }
  return false;
}

void RegisterPicBoxType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kPicBoxType), kStateWindowed, &control::CreateControl<PicBoxUnit>});
}

}  // namespace zorvel::forms
