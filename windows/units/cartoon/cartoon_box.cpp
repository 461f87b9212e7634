#include "windows/units/cartoon/cartoon_box.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "runtime/picture/draw.h"

namespace zorvel::forms {

using namespace cartoon_box;

// The stage's native window: everything it shows is painted by the unit, over the whole
// paint area, so Qt has nothing to clear first and the composed picture reaches the
// screen in one piece.
class CartoonStage : public QWidget {
 public:
  CartoonStage(CartoonBoxUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAutoFillBackground(false);
  }
  void Detach() { unit_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (unit_ == nullptr) return;
    QPainter painter(this);
    unit_->Paint(painter, event->rect());
  }
  void resizeEvent(QResizeEvent* event) override {
    if (unit_ != nullptr) unit_->background_ = QImage();
    QWidget::resizeEvent(event);
  }

 private:
  CartoonBoxUnit* unit_;
};

namespace {

constexpr QRgb kButtonFace = 0xFFF0F0F0;

QRgb ColourOf(std::int32_t bgr) {
  const auto c = static_cast<std::uint32_t>(bgr);
  if ((c & 0xFF000000) != 0) return kButtonFace;
  return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

int BorderWidth(int border) {
  switch (border) {
    case 1: case 2: case 4: return 2;
    case 3: case 5: return 1;
    default: return 0;
  }
}

std::int32_t NormalisedAngle(std::int32_t angle) {
  std::int32_t a = angle % 360;
  if (a < 0) a += 360;
  return a;
}

// The bounding box of a w × h picture turned by the angle, in whole pixels.
QSizeF TurnedSize(int w, int h, std::int32_t angle) {
  if (angle == 0) return QSizeF(w, h);
  const double radians = angle * std::numbers::pi / 180.0;
  const double c = std::abs(std::cos(radians)), s = std::abs(std::sin(radians));
  // A hair is taken off so that 90 and 180 degrees give exactly the turned size.
  return QSizeF(std::ceil(w * c + h * s - 1e-6), std::ceil(w * s + h * c - 1e-6));
}

double ScaleFactor(std::int32_t thousandths) { return thousandths > 0 ? thousandths / 1000.0 : 1.0; }

// Every non-transparent pixel moves towards the tint colour by amount percent, channel
// by channel.
QImage Tinted(const QImage& frame, std::uint32_t tint, std::int32_t amount) {
  const QImage::Format format = frame.format();
  QImage image = frame.convertToFormat(QImage::Format_ARGB32);
  const int tr = static_cast<int>(tint & 0xFF), tg = static_cast<int>((tint >> 8) & 0xFF),
            tb = static_cast<int>((tint >> 16) & 0xFF);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = row[x];
      if (qAlpha(p) == 0) continue;
      const int r = qRed(p) + (tr - qRed(p)) * amount / 100;
      const int g = qGreen(p) + (tg - qGreen(p)) * amount / 100;
      const int b = qBlue(p) + (tb - qBlue(p)) * amount / 100;
      row[x] = qRgba(r, g, b, qAlpha(p));
    }
  }
  return image.convertToFormat(format);
}

}  // namespace

QRect Sprite::Area() const {
  return QRect(static_cast<int>(std::trunc(x)), static_cast<int>(std::trunc(y)), width, height);
}

CartoonBoxUnit::CartoonBoxUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

CartoonBoxUnit::~CartoonBoxUnit() {
  if (widget_ != nullptr) {
    widget_->Detach();
    delete widget_.data();
  }
}

QWidget* CartoonBoxUnit::Widget() const { return widget_.data(); }

bool CartoonBoxUnit::Apply(int index) {
  switch (index) {
    case kBackPicture:
      backPicture_.reset();
      backPictureDecoded_ = false;
      [[fallthrough]];
    case kBorder:
    case kBackColour:
    case kBackPictureMode:
      background_ = QImage();
      if (widget_ != nullptr) widget_->update();
      break;
    default:
      // Pen, brush, text colours and font belong to the stage's drawing commands, which
      // the program does not use: they are kept and read back.
      break;
  }
  return false;
}

QRect CartoonBoxUnit::ClientArea() const {
  if (widget_ == nullptr) return {};
  const int b = BorderWidth(Property(kBorder).word);
  return widget_->rect().adjusted(b, b, -b, -b);
}

const Sprite* CartoonBoxUnit::FindSprite(std::int32_t id) const {
  const auto it = std::find_if(sprites_.begin(), sprites_.end(), [id](const Sprite& s) { return s.id == id; });
  return it == sprites_.end() ? nullptr : &*it;
}

void CartoonBoxUnit::Render(Sprite& sprite) const {
  sprite.renderedAngle = sprite.mayRotate ? sprite.angle : 0;
  if (!sprite.HasImage()) {
    sprite.width = sprite.height = 0;
    return;
  }
  if (sprite.tintAmount > 0 && sprite.tinted.empty()) {
    for (const SpriteFrame& f : sprite.frames)
      sprite.tinted.push_back(Tinted(f.image, sprite.tintColour, std::min(sprite.tintAmount, 100)));
  }
  const QImage& image = sprite.frames.front().image;
  const QSizeF turned = TurnedSize(image.width(), image.height(), sprite.renderedAngle);
  sprite.width = static_cast<std::int32_t>(std::lround(turned.width() * ScaleFactor(sprite.scaleX)));
  sprite.height = static_cast<std::int32_t>(std::lround(turned.height() * ScaleFactor(sprite.scaleY)));
}

void CartoonBoxUnit::RepaintArea(const Sprite& sprite) {
  if (widget_ == nullptr || !sprite.visible || sprite.width <= 0 || sprite.height <= 0) return;
  const QRect client = ClientArea();
  widget_->update(sprite.Area().translated(client.topLeft()) & client);
}

std::int32_t CartoonBoxUnit::CreateSprite(CartoonObjectUnit* from, double x, double y, bool visible,
                                          std::string tag) {
  namespace co = cartoon_object;
  Sprite s;
  s.id = nextId_++;
  s.x = x;
  s.y = y;
  s.visible = visible;
  s.tag = std::move(tag);
  if (from != nullptr) {
    s.frames = from->Frames();
    s.text = from->Property(co::kText).bytes;
    s.font = from->Property(co::kFont).bytes;
    s.textColour = static_cast<std::uint32_t>(from->Property(co::kTextColour).word);
    s.tintColour = static_cast<std::uint32_t>(from->Property(co::kTintColour).word);
    s.tintAmount = std::clamp(from->Property(co::kTintAmount).word, 0, 100);
    s.imageEffect = from->Property(co::kImageEffect).word;
    s.translucency = std::clamp(from->Property(co::kTranslucency).word, 0, 100);
    s.scaleX = s.scaleY = from->Property(co::kScale).word;
    s.layer = from->Property(co::kLayer).word;
    s.angle = NormalisedAngle(from->Property(co::kAngle).word);
    s.mayRotate = from->Property(co::kMayRotate).word != 0;
    s.mirror = std::clamp(from->Property(co::kMirror).word, 0, 3);
    s.sounds[0] = from->Property(co::kEngineSound27).bytes;
    s.sounds[1] = from->Property(co::kEngineSound28).bytes;
    s.sounds[2] = from->Property(co::kEngineSound30).bytes;
  }
  Render(s);
  const std::int32_t id = s.id;
  const auto at = std::find_if(sprites_.begin(), sprites_.end(), [&s](const Sprite& o) { return o.layer > s.layer; });
  RepaintArea(*sprites_.insert(at, std::move(s)));
  return id;
}

void CartoonBoxUnit::DestroySprite(std::int32_t id) {
  const auto it = std::find_if(sprites_.begin(), sprites_.end(), [id](const Sprite& s) { return s.id == id; });
  if (it == sprites_.end()) return;
  RepaintArea(*it);
  sprites_.erase(it);
}

void CartoonBoxUnit::RotateSprite(std::int32_t id, std::int32_t angle) {
  const auto it = std::find_if(sprites_.begin(), sprites_.end(), [id](const Sprite& s) { return s.id == id; });
  if (it == sprites_.end()) return;
  Sprite& s = *it;
  const std::int32_t a = NormalisedAngle(angle);
  if (a == s.angle) return;
  s.angle = a;
  if (!s.mayRotate || !s.HasImage()) return;
  const double centreX = s.x + s.width / 2.0, centreY = s.y + s.height / 2.0;
  RepaintArea(s);
  Render(s);
  s.x = centreX - s.width / 2.0;
  s.y = centreY - s.height / 2.0;
  RepaintArea(s);
}

const PreparedPicture* CartoonBoxUnit::BackPicture() {
  if (!backPictureDecoded_) {
    backPictureDecoded_ = true;
    const std::string& bytes = Property(kBackPicture).bytes;
    if (!bytes.empty()) {
      backPicture_ = PreparePictureBytes(bytes);
    }
  }
  return backPicture_.get();
}

void CartoonBoxUnit::PaintBackground(QPainter& painter, const QRect& clip) {
  const QRect client = ClientArea();
  const QColor colour = QColor::fromRgb(ColourOf(Property(kBackColour).word));
  const PreparedPicture* picture = BackPicture();
  if (picture == nullptr) {
    painter.fillRect(clip & client, colour);
    return;
  }
  // With a back picture the background is composed once at the stage's size and then
  // only copied, so a repaint costs no decoding, tiling or stretching.
  if (background_.size() != client.size()) {
    background_ = QImage(client.size(), QImage::Format_RGB32);
    if (background_.isNull()) {
      painter.fillRect(clip & client, colour);
      return;
    }
    background_.fill(colour);
    QPainter p(&background_);
    DrawBackPicture(p, *picture, Property(kBackPictureMode).word, client.size(), QRect(QPoint(0, 0), client.size()),
                    QRegion());
  }
  const QRect area = clip & client;
  painter.drawImage(area.topLeft(), background_, area.translated(-client.topLeft()));
}

void CartoonBoxUnit::PaintBorder(QPainter& painter) {
  const int border = Property(kBorder).word;
  if (BorderWidth(border) == 0 || widget_ == nullptr) return;
  const QRect r = widget_->rect();
  auto edge = [&painter](const QRect& box, QRgb topLeft, QRgb bottomRight) {
    DrawEdgeRing(painter, box, topLeft, bottomRight);
  };
  const QRect inner = r.adjusted(1, 1, -1, -1);
  switch (border) {
    case 1:  // sunken
      edge(r, 0xFFA0A0A0, 0xFFFFFFFF);
      edge(inner, 0xFF696969, 0xFFE3E3E3);
      break;
    case 2:  // raised
      edge(r, 0xFFE3E3E3, 0xFF696969);
      edge(inner, 0xFFFFFFFF, 0xFFA0A0A0);
      break;
    case 3:  // thin sunken
      edge(r, 0xFFA0A0A0, 0xFFFFFFFF);
      break;
    case 4:  // etched
      edge(r, 0xFFA0A0A0, 0xFFFFFFFF);
      edge(inner, 0xFFFFFFFF, 0xFFA0A0A0);
      break;
    default:  // single line
      edge(r, 0xFF000000, 0xFF000000);
      break;
  }
}

void CartoonBoxUnit::Paint(QPainter& painter, const QRect& clip) {
  PaintBackground(painter, clip);
  const QRect client = ClientArea();
  const QRect area = clip & client;
  painter.save();
  painter.setClipRect(area);
  for (const Sprite& s : sprites_) {
    if (!s.visible || !s.HasImage() || s.width <= 0 || s.height <= 0) continue;
    const QRect target = s.Area().translated(client.topLeft());
    if (!target.intersects(area)) continue;
    const std::size_t frame = std::min(s.frame, s.frames.size() - 1);
    const QImage& image = s.tinted.empty() ? s.frames[frame].image : s.tinted[frame];
    painter.setOpacity(s.translucency > 0 ? (100 - s.translucency) / 100.0 : 1.0);
    if (s.renderedAngle == 0 && s.mirror == 0 && s.width == image.width() && s.height == image.height()) {
      painter.drawImage(target.topLeft(), image);
      continue;
    }
    // Mirror, then turn (counter-clockwise for a positive angle), then scale the turned
    // box to the rendered size, about the image's centre.
    const QSizeF turned = TurnedSize(image.width(), image.height(), s.renderedAngle);
    QTransform t;
    t.translate(target.x() + s.width / 2.0, target.y() + s.height / 2.0);
    t.scale(s.width / turned.width(), s.height / turned.height());
    if (s.renderedAngle != 0) t.rotate(-s.renderedAngle);
    if (s.mirror != 0) t.scale((s.mirror & 1) != 0 ? -1 : 1, (s.mirror & 2) != 0 ? -1 : 1);
    // Smooth sampling with antialiased edges: the picture is seen large on a big screen,
    // where nearest pixels would show stair steps inside it and along its turned edges.
    painter.setTransform(t);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawImage(QPointF(-image.width() / 2.0, -image.height() / 2.0), image);
    painter.resetTransform();
  }
  painter.restore();
  PaintBorder(painter);
}

std::unique_ptr<Unit> CreateCartoonBox(const CreateArgs& args) {
  const UnitLayout* layout = FindUnitLayout(kCartoonBoxType);
  if (layout == nullptr) return nullptr;
  auto unit = std::make_unique<CartoonBoxUnit>(*layout, args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  auto* stage = new CartoonStage(unit.get(), args.parent);
  stage->setGeometry(args.left, args.top, args.width, args.height);
  stage->setEnabled((args.style & kStyleDisabled) == 0);
  unit->widget_ = stage;
  return unit;
}

void RegisterCartoonTypes() {
  if (const UnitLayout* box = FindUnitLayout(kCartoonBoxType))
    RegisterUnitType(UnitTypeInfo{box, kStateWindowed | kStateDragsWindow, &CreateCartoonBox});
  if (const UnitLayout* object = FindUnitLayout(kCartoonObjectType))
    RegisterUnitType(UnitTypeInfo{object, kStateNeverShown | kStateWindowed, &CreateCartoonObject});
}

}  // namespace zorvel::forms
