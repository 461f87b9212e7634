#include "windows/units/draw_panel/draw_panel.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QtMath>
#include <QRegion>
#include <algorithm>
#include <cmath>

#include "runtime/picture/draw.h"
#include "runtime/picture/picture.h"
#include "runtime/text.h"
#include "windows/font.h"
#include "windows/unit_ref.h"
#include "windows/windows.h"

namespace zorvel::forms {

namespace dp = draw_panel_property;

namespace {

// The system's button-face colour, which a back colour of "no colour" stands for.
constexpr QRgb kButtonFace = 0xFFF0F0F0;
// The edge colours of the classic three-dimensional look.
constexpr QRgb kHighlight = 0xFFFFFFFF, kLight = 0xFFE3E3E3, kShadow = 0xFFA0A0A0, kDarkShadow = 0xFF696969;
constexpr QRgb kFrame = 0xFF000000;

QColor ColourOf(std::int32_t word) {
  const auto colour = static_cast<std::uint32_t>(word);
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

QColor BackColourOf(std::int32_t word) {
  if (static_cast<std::uint32_t>(word) == kNoColour) return QColor::fromRgb(kButtonFace);
  return ColourOf(word);
}


void PutWord(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutHalf(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

// The panel itself: draws the border around its client area.
class DrawPanelWidget : public QWidget {
 public:
  DrawPanelWidget(DrawPanelUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (unit_ == nullptr) return;
    const QRect r = rect();
    QPainter p(this);
    switch (unit_->Property(dp::kBorder).word) {
      case 1:
        DrawEdgeRing(p, r, kShadow, kHighlight);
        DrawEdgeRing(p, r.adjusted(1, 1, -1, -1), kDarkShadow, kLight);
        break;
      case 2:
        DrawEdgeRing(p, r, kLight, kDarkShadow);
        DrawEdgeRing(p, r.adjusted(1, 1, -1, -1), kHighlight, kShadow);
        break;
      case 3: DrawEdgeRing(p, r, kShadow, kHighlight); break;
      case 4:
        DrawEdgeRing(p, r, kShadow, kHighlight);
        DrawEdgeRing(p, r.adjusted(1, 1, -1, -1), kHighlight, kShadow);
        break;
      case 5: DrawEdgeRing(p, r, kFrame, kFrame); break;
      default: break;
    }
  }
  void resizeEvent(QResizeEvent*) override {
    if (unit_ != nullptr) unit_->SyncSize();
  }
  // The panel takes its mouse input for itself: nothing of it reaches the window.
  void mousePressEvent(QMouseEvent* e) override { e->accept(); }
  void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
  void mouseMoveEvent(QMouseEvent* e) override { e->accept(); }

 private:
  DrawPanelUnit* unit_;
};

// The client area: shows the surface, and hands its mouse input to the panel in client
// coordinates, which is where the panel's events report it.
class DrawPanelClient : public QWidget {
 public:
  DrawPanelClient(DrawPanelUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    unit_->SyncSize();
    const QImage& surface = !unit_->copy_.isNull() ? unit_->copy_ : unit_->transient_;
    if (!surface.isNull()) {
      const QRectF area(event->rect());
      const qreal ratio = surface.devicePixelRatio();
      p.drawImage(area, surface, QRectF(area.topLeft() * ratio, area.size() * ratio));
    } else {
      unit_->PaintBackground(p, size(), event->rect());
    }
  }
  void resizeEvent(QResizeEvent*) override { unit_->SyncSize(); }
  void mousePressEvent(QMouseEvent* e) override { Forward(e); }
  void mouseReleaseEvent(QMouseEvent* e) override { Forward(e); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { Forward(e); }
  void mouseMoveEvent(QMouseEvent* e) override { Forward(e); }

 private:
  void Forward(QMouseEvent* e) {
    QMouseEvent copy(e->type(), e->position(), e->scenePosition(), e->globalPosition(), e->button(), e->buttons(),
                     e->modifiers(), e->pointingDevice());
    if (parentWidget() != nullptr) QCoreApplication::sendEvent(parentWidget(), &copy);
    e->accept();
  }

  DrawPanelUnit* unit_;
};

DrawPanelUnit::DrawPanelUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

DrawPanelUnit::~DrawPanelUnit() { delete widget_.data(); }

std::unique_ptr<Unit> DrawPanelUnit::Create(const CreateArgs& args) {
  const UnitLayout* layout = FindUnitLayout(kDrawPanelType);
  if (layout == nullptr) return nullptr;
  auto unit = std::make_unique<DrawPanelUnit>(*layout, args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  // Stored values outside a choice's range count as its nearest end, as applied ones do.
  for (int index = 8; index < 8 + static_cast<int>(layout->properties.size()); ++index) {
    const PropertyInfo& info = layout->properties[static_cast<std::size_t>(index - 8)];
    if (!HoldsBytes(info.type)) unit->Property(index).word = ClampToRange(info, unit->Property(index).word);
  }
  unit->DecodePicture();
  unit->MakePen();
  unit->MakeBrush();
  unit->MakeFont();

  auto* widget = new DrawPanelWidget(unit.get(), args.parent);
  unit->widget_ = widget;
  unit->client_ = new DrawPanelClient(unit.get(), widget);
  widget->setGeometry(args.left, args.top, std::max(0, args.width), std::max(0, args.height));
  widget->setFocusPolicy((args.style & kStyleTabStop) != 0 ? Qt::StrongFocus : Qt::NoFocus);
  if ((args.style & kStyleDisabled) != 0) widget->setEnabled(false);
  unit->SyncSize();
  unit->RenewSurface();
  return unit;
}

QWidget* DrawPanelUnit::Widget() const { return widget_.data(); }
QWidget* DrawPanelUnit::Client() const { return widget_ ? client_ : nullptr; }

int DrawPanelUnit::BorderWidth(int border) {
  switch (border) {
    case 1: case 2: case 4: return 2;
    case 3: case 5: return 1;
    default: return 0;
  }
}

bool DrawPanelUnit::Apply(int index) {
  if (!widget_) return false;
  switch (index) {
    case dp::kBorder:
      SyncSize();
      widget_->update();
      break;
    case dp::kBackPicture:
      DecodePicture();
      RenewSurface();
      break;
    case dp::kBackColour:
    case dp::kBackPictureMode:
    case dp::kAutoRedraw:
      RenewSurface();
      break;
    case dp::kDrawingUnit:
    case dp::kFont:
      MakeFont();
      break;
    case dp::kPenType:
    case dp::kPenWidth:
    case dp::kPenColour:
      MakePen();
      break;
    case dp::kBrushType:
    case dp::kBrushColour:
      MakeBrush();
      break;
    default:
      break;  // draw mode and text colours are read when drawing
  }
  return false;
}

void DrawPanelUnit::SyncSize() {
  if (!widget_) return;
  const int edge = BorderWidth(Property(dp::kBorder).word);
  const QSize inside(std::max(0, widget_->width() - 2 * edge), std::max(0, widget_->height() - 2 * edge));
  if (client_->geometry() != QRect(QPoint(edge, edge), inside)) client_->setGeometry(QRect(QPoint(edge, edge), inside));
  const bool autoRedraw = Property(dp::kAutoRedraw).word != 0;
  const bool copyStale = autoRedraw && !SurfaceFits(copy_) && !inside.isEmpty();
  const bool transientStale = !transient_.isNull() && !SurfaceFits(transient_);
  if (copyStale || transientStale) RenewSurface();
}

void DrawPanelUnit::PaintBackground(QPainter& painter, QSize size, const QRect& clip) const {
  PaintBack(painter, picture_.get(), Property(dp::kBackPictureMode).word, size, clip,
            QRegion(clip & QRect(QPoint(0, 0), size)), BackColourOf(Property(dp::kBackColour).word));
}

void DrawPanelUnit::RenewSurface() {
  if (!widget_) return;
  transient_ = QImage();
  copy_ = QImage();
  if (Property(dp::kAutoRedraw).word != 0) copy_ = NewSurface();
  client_->update();
}

QImage DrawPanelUnit::NewSurface() const {
  const QSize size = client_->size();
  if (size.isEmpty()) return {};
  const qreal ratio = client_->devicePixelRatioF();
  QImage surface(QSize(qCeil(size.width() * ratio), qCeil(size.height() * ratio)), QImage::Format_RGB32);
  if (surface.isNull()) return {};
  surface.setDevicePixelRatio(ratio);
  QPainter p(&surface);
  PaintBackground(p, size, QRect(QPoint(0, 0), size));
  return surface;
}

bool DrawPanelUnit::SurfaceFits(const QImage& surface) const {
  const qreal ratio = client_->devicePixelRatioF();
  const QSize size = client_->size();
  return surface.devicePixelRatio() == ratio &&
         surface.size() == QSize(qCeil(size.width() * ratio), qCeil(size.height() * ratio));
}

void DrawPanelUnit::DecodePicture() {
  picture_.reset();
  picture_ = PreparePictureBytes(Property(dp::kBackPicture).bytes);
}

void DrawPanelUnit::MakePen() {
  static constexpr Qt::PenStyle kStyles[] = {Qt::NoPen,       Qt::SolidLine,      Qt::DashLine, Qt::DotLine,
                                             Qt::DashDotLine, Qt::DashDotDotLine, Qt::SolidLine};
  const int type = std::clamp(Property(dp::kPenType).word, 0, 6);
  // Width 0 is the thinnest line the screen draws, one pixel whatever the scale.
  const int width = std::clamp(Property(dp::kPenWidth).word, 0, 32767);
  pen_ = QPen(ColourOf(Property(dp::kPenColour).word), width, kStyles[type], Qt::RoundCap, Qt::RoundJoin);
}

void DrawPanelUnit::MakeBrush() {
  static constexpr Qt::BrushStyle kStyles[] = {Qt::NoBrush,    Qt::SolidPattern, Qt::HorPattern,   Qt::VerPattern,
                                               Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
  static constexpr Qt::BrushStyle kDots[] = {Qt::Dense1Pattern, Qt::Dense2Pattern, Qt::Dense3Pattern,
                                             Qt::Dense4Pattern, Qt::Dense5Pattern, Qt::Dense6Pattern,
                                             Qt::Dense7Pattern};
  const int type = std::clamp(Property(dp::kBrushType).word, 0, 55);
  const Qt::BrushStyle style = type < 8 ? kStyles[type] : kDots[(type - 8) % 7];
  brush_ = QBrush(ColourOf(Property(dp::kBrushColour).word), style);
}

double DrawPanelUnit::PixelsPerUnit() const {
  const double dpi = ScreenDpi();
  switch (Property(dp::kDrawingUnit).word) {
    case 1: return dpi / 254.0;     // 0.1 mm
    case 2: return dpi / 2540.0;    // 0.01 mm
    case 3: return dpi / 100.0;     // 0.01 inch
    case 4: return dpi / 1000.0;    // 0.001 inch
    case 5: return dpi / 1440.0;    // twip
    default: return 1.0;            // pixel
  }
}

void DrawPanelUnit::MakeFont() {
  const std::string& bytes = Property(dp::kFont).bytes;
  font_ = ToQFont(bytes);
  // The font's height is in drawing units.
  const std::int32_t height = ReadLogFont(bytes.size() == kLogFontSize ? bytes : DefaultGuiFont()).height;
  if (Property(dp::kDrawingUnit).word != 0 && height != 0) {
    font_.setPixelSize(std::max(1, static_cast<int>(std::lround(std::abs(height) * PixelsPerUnit()))));
  }
}

QColor DrawPanelUnit::TextColour() const { return ColourOf(Property(dp::kTextColour).word); }

QColor DrawPanelUnit::TextBackColour() const {
  const std::int32_t word = Property(dp::kTextBackColour).word;
  return static_cast<std::uint32_t>(word) == kNoColour ? QColor() : ColourOf(word);
}

QPainter::CompositionMode DrawPanelUnit::DrawMode() const {
  // The sixteen ways of mixing the pen P with the target T, in their order: black,
  // ~(P|T), T&~P, ~P, P&~T, ~T, P^T, ~(P&T), P&T, ~(P^T), T, T|~P, P, P|~T, P|T, white.
  static constexpr QPainter::CompositionMode kModes[] = {
      QPainter::RasterOp_ClearDestination,       QPainter::RasterOp_NotSourceAndNotDestination,
      QPainter::RasterOp_NotSourceAndDestination, QPainter::RasterOp_NotSource,
      QPainter::RasterOp_SourceAndNotDestination, QPainter::RasterOp_NotDestination,
      QPainter::RasterOp_SourceXorDestination,    QPainter::RasterOp_NotSourceOrNotDestination,
      QPainter::RasterOp_SourceAndDestination,    QPainter::RasterOp_NotSourceXorDestination,
      QPainter::CompositionMode_Destination,      QPainter::RasterOp_NotSourceOrDestination,
      QPainter::CompositionMode_SourceOver,       QPainter::RasterOp_SourceOrNotDestination,
      QPainter::RasterOp_SourceOrDestination,     QPainter::RasterOp_SetDestination,
  };
  return kModes[std::clamp(Property(dp::kDrawMode).word, 0, 15)];
}

void DrawPanelUnit::Draw(const std::function<void(QPainter&)>& routine) {
  if (!widget_) return;
  SyncSize();
  QImage* target = &copy_;
  if (copy_.isNull()) {
    if (client_->size().isEmpty()) return;
    if (transient_.isNull()) transient_ = NewSurface();
    if (transient_.isNull()) return;
    target = &transient_;
  }
  {
    QPainter p(target);
    p.setPen(pen_);
    p.setBrush(brush_);
    p.setFont(font_);
    p.setCompositionMode(DrawMode());
    const QColor textBack = TextBackColour();
    p.setBackgroundMode(textBack.isValid() ? Qt::OpaqueMode : Qt::TransparentMode);
    if (textBack.isValid()) p.setBackground(textBack);
    routine(p);
  }
  client_->update();
}

QImage DrawPanelUnit::Drawing() {
  if (!widget_) return {};
  SyncSize();
  const QSize size = client_->size();
  if (size.isEmpty()) return {};
  QImage shown = Property(dp::kAutoRedraw).word != 0 ? copy_ : client_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (shown.isNull() || shown.size() == size) {
    shown.setDevicePixelRatio(1);
    return shown;
  }
  // A high-density screen's pixels, averaged down to the program's.
  QImage drawing = shown.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  drawing.setDevicePixelRatio(1);
  return drawing;
}

std::vector<std::uint8_t> BitmapFileBytes(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
  const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  const auto w = static_cast<std::size_t>(rgb.width()), h = static_cast<std::size_t>(rgb.height());
  const std::size_t row = (w * 3 + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = row * h;
  constexpr std::size_t kHeaders = 14 + 40;
  std::vector<std::uint8_t> file(kHeaders + pixelBytes, 0);
  std::uint8_t* f = file.data();
  f[0] = 'B';
  f[1] = 'M';
  PutWord(f + 2, static_cast<std::uint32_t>(file.size()));
  PutWord(f + 10, kHeaders);  // where the pixels start
  PutWord(f + 14, 40);        // info header size
  PutWord(f + 18, static_cast<std::uint32_t>(w));
  PutWord(f + 22, static_cast<std::uint32_t>(h));  // positive: rows bottom-up
  PutHalf(f + 26, 1);                              // planes
  PutHalf(f + 28, 24);                             // bits per pixel
  PutWord(f + 30, 0);                              // no compression
  PutWord(f + 34, static_cast<std::uint32_t>(pixelBytes));
  PutWord(f + 38, 3780);  // 96 dots per inch, as dots per metre
  PutWord(f + 42, 3780);
  for (std::size_t y = 0; y < h; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(static_cast<int>(h - 1 - y)));
    std::uint8_t* dst = f + kHeaders + y * row;
    for (std::size_t x = 0; x < w; ++x) {
      dst[3 * x] = static_cast<std::uint8_t>(qBlue(src[x]));
      dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(src[x]));
      dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(src[x]));
    }
  }
  return file;
}

int CanvasPictureSide(std::int32_t requested, int sourceSide) {
  std::int64_t side = sourceSide;
  if (requested > 0) {
    side = requested;
  } else if (requested < 0) {
    const std::int64_t percent = std::max<std::int64_t>(-static_cast<std::int64_t>(requested), 10);
    side = (static_cast<std::int64_t>(sourceSide) * percent + 50) / 100;
  }
  return static_cast<int>(std::clamp<std::int64_t>(side, 1, kMaxPictureSide));
}

void RegisterDrawPanelType() {
  const UnitLayout* layout = FindUnitLayout(kDrawPanelType);
  if (layout == nullptr) return;
  RegisterUnitType(UnitTypeInfo{layout, kStateWindowed | kStateKeepChildren, &DrawPanelUnit::Create});
}

}  // namespace zorvel::forms

namespace zorvel::cmd {

ZORVEL_COMMAND(GetCanvasPicture) {
  using namespace zorvel::forms;
  const Arguments a(argc, args);
  *result = TypedValue::ByteSet(nullptr);
  if (!a.present(0)) return;
  const UnitRef ref = ReadUnitArgument(a[0]);
  auto* panel = dynamic_cast<DrawPanelUnit*>(&RequireUnitObject(ref.window, ref.unit));
  if (panel == nullptr) return;
  const QImage source = panel->Drawing();
  if (source.isNull()) return;
  const QSize size(CanvasPictureSide(a.integer(1), source.width()), CanvasPictureSide(a.integer(2), source.height()));
  const QImage picture =
      size == source.size() ? source : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const std::vector<std::uint8_t> file = BitmapFileBytes(picture);
  *result = TypedValue::ByteSet(MakeByteSet(file.data(), static_cast<std::ptrdiff_t>(file.size())));
}

}  // namespace zorvel::cmd
