#include "windows/units/window/window_unit.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QUrl>
#include <algorithm>
#include <utility>
#include <string>

#include "runtime/picture/draw.h"
#include "runtime/picture/picture.h"
#include "runtime/program.h"
#include "text/files.h"
#include "text/gbk.h"
#include "windows/events.h"
#include "windows/font.h"
#include "windows/movie_host.h"
#include "windows/screen_coordinates.h"
#include "windows/windows.h"

namespace zorvel::forms {

namespace wp = window_property;
namespace we = window_event;

namespace {

WindowMusicHook g_musicHook = nullptr;

// The system's button-face colour, which a back colour of "no colour" stands for.
constexpr QRgb kButtonFace = 0xFFF0F0F0;

QColor ColourOf(std::int32_t word) {
  const auto colour = static_cast<std::uint32_t>(word);
  if (colour == kNoColour) return QColor::fromRgb(kButtonFace);
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

QString TextOf(const std::string& gbk) { return QString::fromStdString(gbk::ToUtf8(gbk)); }

// Borders 1, 3 and 5 have a frame the user can drag; 2, 4 and 6 keep their size; 0 has
// no frame at all.
bool ResizableBorder(int border) { return border == 1 || border == 3 || border == 5; }
bool FixedBorder(int border) { return border == 2 || border == 4 || border == 6; }
bool SunkenBorder(int border) { return border == 5 || border == 6; }
constexpr int kSunkenEdge = 2;

// The outlines of shapes 4-29: (x, y) pairs on a 0..32767 square, each outline ended
// by kEnd.
constexpr std::uint16_t kEnd = 0xFFFF;
constexpr std::uint16_t kShapeOutlines[] = {
    // 4 triangle
    16383, 0, 32767, 32767, 0, 32767, kEnd,
    // 5 triangle pointing down
    0, 0, 32767, 0, 16383, 32767, kEnd,
    // 6 triangle pointing left
    0, 16383, 32767, 0, 32767, 32767, kEnd,
    // 7 triangle pointing right
    0, 0, 32767, 16383, 0, 32767, kEnd,
    // 8 right triangle
    0, 0, 32767, 32767, 0, 32767, kEnd,
    // 9 pentagon
    16383, 0, 32767, 12516, 26509, 32767, 6258, 32767, 0, 12516, kEnd,
    // 10 hexagon
    8191, 0, 24576, 0, 32767, 16383, 24576, 32767, 8191, 32767, 0, 16383, kEnd,
    // 11 octagon
    9597, 0, 23170, 0, 32767, 9597, 32767, 23170, 23170, 32767, 9597, 32767, 0, 23170, 0, 9597, kEnd,
    // 12 diamond
    16383, 0, 32767, 16383, 16383, 32767, 0, 16383, kEnd,
    // 13 parallelogram
    8191, 0, 32767, 0, 24576, 32767, 0, 32767, kEnd,
    // 14 trapezoid
    8191, 0, 24576, 0, 32767, 32767, 0, 32767, kEnd,
    // 15 four-pointed star
    16383, 0, 20786, 11981, 32767, 16383, 20786, 20786, 16383, 32767, 11981, 20786, 0, 16383, 11981, 11981, kEnd,
    // 16 five-pointed star
    16383, 0, 20251, 12515, 32767, 12516, 22642, 20251, 26509, 32767, 16383, 25032, 6258, 32767, 10125, 20251, 0,
    12516, 12516, 12515, kEnd,
    // 17 six-pointed star
    16383, 0, 21841, 8197, 32767, 8192, 27299, 16383, 32767, 24575, 21841, 24570, 16383, 32767, 10926, 24570, 0,
    24575, 5468, 16383, 0, 8192, 10926, 8197, kEnd,
    // 18 eight-pointed star
    16383, 0, 19832, 8058, 27968, 4799, 24709, 12935, 32767, 16383, 24709, 19832, 27968, 27968, 19832, 24709,
    16383, 32767, 12935, 24709, 4799, 27968, 8058, 19832, 0, 16383, 8058, 12935, 4799, 4799, 12935, 8058, kEnd,
    // 19 cross
    9830, 0, 22937, 0, 22937, 9830, 32767, 9830, 32767, 22937, 22937, 22937, 22937, 32767, 9830, 32767, 9830,
    22937, 0, 22937, 0, 9830, 9830, 9830, kEnd,
    // 20 diagonal cross
    0, 6553, 6553, 0, 16383, 9830, 26214, 0, 32767, 6553, 22937, 16383, 32767, 26214, 26214, 32767, 16383, 22937,
    6553, 32767, 0, 26214, 9830, 16383, kEnd,
    // 21 arrow right
    0, 9830, 19660, 9830, 19660, 0, 32767, 16383, 19660, 32767, 19660, 22937, 0, 22937, kEnd,
    // 22 arrow left
    32767, 9830, 13107, 9830, 13107, 0, 0, 16383, 13107, 32767, 13107, 22937, 32767, 22937, kEnd,
    // 23 arrow up
    9830, 32767, 9830, 13107, 0, 13107, 16383, 0, 32767, 13107, 22937, 13107, 22937, 32767, kEnd,
    // 24 arrow down
    9830, 0, 9830, 19660, 0, 19660, 16383, 32767, 32767, 19660, 22937, 19660, 22937, 0, kEnd,
    // 25 heart
    16383, 7779, 16613, 6495, 18064, 3480, 21267, 697, 25719, 0, 30073, 2096, 32767, 6364, 32767, 11535, 30073,
    16591, 25719, 21187, 21267, 25382, 18064, 29082, 16613, 31768, 16383, 32767, 16154, 31768, 14703, 29082,
    11500, 25382, 7048, 21187, 2694, 16591, 0, 11535, 0, 6364, 2694, 2096, 7048, 0, 11500, 697, 14703, 3480,
    16154, 6495, kEnd,
    // 26 speech bubble
    0, 0, 32767, 0, 32767, 24575, 14745, 24575, 6553, 32767, 8192, 24575, 0, 24575, kEnd,
    // 27 chevron
    0, 0, 16383, 0, 32767, 16383, 16383, 32767, 0, 32767, 16383, 16383, kEnd,
    // 28 house
    16383, 0, 32767, 13107, 32767, 32767, 0, 32767, 0, 13107, kEnd,
    // 29 twelve-pointed burst
    16383, 0, 19564, 4515, 24575, 2195, 25072, 7695, 30572, 8192, 28252, 13203, 32767, 16383, 28252, 19564, 30572,
    24575, 25072, 25072, 24575, 30572, 19564, 28252, 16383, 32767, 13203, 28252, 8192, 30572, 7695, 25072, 2195,
    24575, 4515, 19564, 0, 16383, 4515, 13203, 2195, 8192, 7695, 7695, 8192, 2195, 13203, 4515, kEnd,
};
constexpr int kFirstPolygonShape = 4;
constexpr int kLastShape = 29;

// 26 outlines, each of 3 to 28 whole points.
constexpr bool OutlinesWellFormed() {
  int outlines = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < std::size(kShapeOutlines); ++i) {
    if (kShapeOutlines[i] != kEnd) continue;
    const std::size_t values = i - start;
    if (values % 2 != 0 || values < 6 || values > 56) return false;
    ++outlines;
    start = i + 1;
  }
  return outlines == kLastShape - kFirstPolygonShape + 1 && start == std::size(kShapeOutlines);
}
static_assert(OutlinesWellFormed());

QPolygon Outline(int shape, int width, int height) {
  int index = kFirstPolygonShape;
  std::size_t i = 0;
  while (index < shape && i < std::size(kShapeOutlines)) {
    if (kShapeOutlines[i++] == kEnd) ++index;
  }
  QPolygon polygon;
  for (; i + 1 < std::size(kShapeOutlines) && kShapeOutlines[i] != kEnd; i += 2) {
    const std::int64_t x = std::int64_t{kShapeOutlines[i]} * width / 32767;
    const std::int64_t y = std::int64_t{kShapeOutlines[i + 1]} * height / 32767;
    polygon << QPoint(static_cast<int>(x), static_cast<int>(y));
  }
  return polygon;
}

}  // namespace

void SetWindowMusicHook(WindowMusicHook hook) { g_musicHook = hook; }

// The client area: holds the window's units and paints the background under them.
class WindowClient : public QWidget {
 public:
  WindowClient(WindowUnit* unit, QWidget* parent) : QWidget(parent), unit_(unit) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void Detach() { unit_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  WindowUnit* unit_;
};

// The native window.
class WindowWidget : public QWidget {
 public:
  WindowWidget(WindowUnit* unit, QWidget* owner, Qt::WindowFlags flags)
      : QWidget(owner, flags), unit_(unit), client_(new WindowClient(unit, this)) {}

  void Detach() {
    unit_ = nullptr;
    client_->Detach();
  }
  WindowClient* Client() const { return client_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  void SetMenuBar(QMenuBar* bar) {
    delete menuBar_;
    menuBar_ = bar;
    if (bar != nullptr) bar->setParent(this);
    LayOut();
  }
  // Places the menu bar (when it shows anything) at the top and the client area below
  // it, inside the sunken edge.
  void LayOut();
  // Takes the current place and size as already reported (no event 3 or 4 for them).
  void MarkReported() {
    reportedPos_ = pos();
    reportedSize_ = size();
  }
  // Events 3, 4, 10 and 11 are held back while the native window is rebuilt.
  int quiet = 0;
  // Depth of window events fired from inside this widget's own event handlers: the
  // widget must outlive them.
  int firing = 0;

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Fires a window event; false when the unit went away meanwhile.
  bool FireEvent(std::int32_t event);

  WindowUnit* unit_;
  WindowClient* client_;
  QMenuBar* menuBar_ = nullptr;
  QPoint reportedPos_;
  QSize reportedSize_;
};

void WindowWidget::LayOut() {
  int top = 0;
  if (menuBar_ != nullptr) {
    const QList<QAction*> actions = menuBar_->actions();
    const bool showsSomething =
        std::any_of(actions.begin(), actions.end(), [](const QAction* a) { return a->isVisible(); });
    if (showsSomething) {
      int barHeight = menuBar_->heightForWidth(width());
      if (barHeight < 0) barHeight = menuBar_->sizeHint().height();
      menuBar_->setGeometry(0, 0, width(), barHeight);
      menuBar_->show();
      top = barHeight;
    } else {
      menuBar_->hide();
    }
  }
  const int edge = unit_ != nullptr && SunkenBorder(unit_->Property(wp::kBorder).word) ? kSunkenEdge : 0;
  client_->setGeometry(edge, top + edge, std::max(0, width() - 2 * edge), std::max(0, height() - top - 2 * edge));
}

bool WindowWidget::FireEvent(std::int32_t event) {
  if (unit_ == nullptr || !unit_->Live()) return unit_ != nullptr;
  const std::uint32_t id = unit_->WindowId();
  ++firing;
  Fire(id, 0, event);
  --firing;
  return unit_ != nullptr;
}

void WindowWidget::moveEvent(QMoveEvent*) {
  if (pos() == reportedPos_) return;
  reportedPos_ = pos();
  if (quiet == 0) FireEvent(we::kMoved);
}

void WindowWidget::resizeEvent(QResizeEvent*) {
  LayOut();
  if (unit_ != nullptr) unit_->ApplyShape();
  if (size() == reportedSize_) return;
  reportedSize_ = size();
  if (quiet == 0) FireEvent(we::kResized);
}

void WindowWidget::showEvent(QShowEvent* event) {
  if (unit_ != nullptr && unit_->outerBeforeShow_) {
    const QSize outer = *std::exchange(unit_->outerBeforeShow_, std::nullopt);
    if (frameGeometry().size() != outer) unit_->SetWindowGeometry(QRect(frameGeometry().topLeft(), outer));
  }
  // Spontaneous showings are the window system restoring a minimised window.
  if (quiet == 0 && !event->spontaneous()) FireEvent(we::kShown);
}

void WindowWidget::hideEvent(QHideEvent* event) {
  if (quiet == 0 && !event->spontaneous()) FireEvent(we::kHidden);
}

void WindowWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || quiet != 0 || unit_ == nullptr) return;
  if (!isActiveWindow()) {
    FireEvent(we::kDeactivated);
    return;
  }
  if (!unit_->firstActivationDone_ && unit_->Live()) {
    unit_->firstActivationDone_ = true;
    if (!FireEvent(we::kFirstActivation)) return;
  }
  FireEvent(we::kActivated);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  // The window never closes itself: the close request goes to the window core, which
  // asks the may-close handler and destroys the window. It runs once the window
  // system's close handling has returned, as destroying the window deletes this widget.
  event->ignore();
  if (unit_ == nullptr) return;
  const std::uint32_t id = unit_->WindowId();
  QMetaObject::invokeMethod(this, [id] { RequestClose(id); }, Qt::QueuedConnection);
}

void WindowWidget::paintEvent(QPaintEvent*) {
  if (unit_ == nullptr || !SunkenBorder(unit_->Property(wp::kBorder).word)) return;
  // The sunken edge around the client area: shadow and dark shadow above and to the
  // left, highlight and light below and to the right.
  const QRect r = client_->geometry().adjusted(-kSunkenEdge, -kSunkenEdge, kSunkenEdge - 1, kSunkenEdge - 1);
  QPainter p(this);
  auto edge = [&p](const QRect& box, QRgb topLeft, QRgb bottomRight) { DrawEdgeRing(p, box, topLeft, bottomRight); };
  edge(r, 0xFFA0A0A0, 0xFFFFFFFF);
  edge(r.adjusted(1, 1, -1, -1), 0xFF696969, 0xFFE3E3E3);
}

void WindowClient::paintEvent(QPaintEvent* event) {
  // A window with a colour key paints no background: what its movie leaves undrawn
  // shows what lies beneath the window.
  if (ColourKeyOf(this)) return;
  QPainter painter(this);
  const PreparedPicture* picture = unit_ != nullptr ? unit_->BackPicture() : nullptr;
  const QColor colour = ColourOf(unit_ != nullptr ? unit_->Property(wp::kBackColour).word
                                                  : static_cast<std::int32_t>(kNoColour));
  const int mode = unit_ != nullptr ? unit_->Property(wp::kBackPictureMode).word : 0;
  PaintBack(painter, picture, mode, size(), event->rect(), event->region(), colour);
}

WindowUnit::WindowUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

WindowUnit::~WindowUnit() {
  StopMusic();
  if (widget_ == nullptr) return;
  widget_->Detach();
  if (widget_->firing > 0) {
    // Still inside one of its own event handlers: it goes once that has returned.
    widget_->hide();
    widget_->deleteLater();
  } else {
    delete widget_;
  }
}

std::unique_ptr<Unit> WindowUnit::Create(const CreateArgs& args) {
  const UnitLayout* layout = FindUnitLayout(kWindowUnitType);
  if (layout == nullptr) return nullptr;
  auto unit = std::make_unique<WindowUnit>(*layout, args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  unit->createdModal_ = args.modal;

  auto* widget = new WindowWidget(unit.get(), args.parent, Qt::Window);
  unit->widget_ = widget;
  unit->ApplyFlags();
  widget->setFont(ToQFont(DefaultGuiFont()));
  widget->setWindowTitle(TextOf(unit->Property(wp::kTitle).bytes));
  unit->ApplyIcon();
  if (args.style & kStyleDisabled) widget->setEnabled(false);

  QRect rect(args.left, args.top, std::max(0, args.width), std::max(0, args.height));
  widget->move(ScreenToGlobal(rect.topLeft()));
  widget->resize(rect.size());
  const int position = unit->Property(wp::kPosition).word;
  if (position == 1) unit->Centre();
  unit->ApplyFixedSize();
  if (position == 2) {
    widget->setWindowState(Qt::WindowMinimized);
  } else if (position == 3 && ResizableBorder(unit->Property(wp::kBorder).word)) {
    widget->setWindowState(Qt::WindowMaximized);
  }

  widget->SetMenuBar(args.menuBar);
  unit->ApplyShape();
  // What happened while the window was made is no move or resize of a live window.
  widget->MarkReported();
  unit->StartMusic();
  return unit;
}

QWidget* WindowUnit::Widget() const { return widget_; }

QWidget* WindowUnit::Client() const { return widget_ != nullptr ? widget_->Client() : nullptr; }

void WindowUnit::SetMenuBar(QMenuBar* bar) {
  if (widget_ != nullptr) {
    widget_->SetMenuBar(bar);
  } else {
    delete bar;
  }
}

QMenuBar* WindowUnit::MenuBar() const { return widget_ != nullptr ? widget_->MenuBar() : nullptr; }

void WindowUnit::SetWindowGeometry(const QRect& rect) {
  if (widget_ == nullptr) return;
  const QSize frame = widget_->frameGeometry().size() - widget_->size();
  if (widget_->isVisible()) outerBeforeShow_.reset();
  else outerBeforeShow_ = rect.size();
  widget_->setMinimumSize(0, 0);
  widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  widget_->move(rect.topLeft());
  widget_->resize(std::max(0, rect.width() - frame.width()), std::max(0, rect.height() - frame.height()));
  ApplyFixedSize();
  // A hidden window hears of its new size only when it is shown; its shape follows now.
  if (!widget_->isVisible()) ApplyShape();
}

bool WindowUnit::Live() const {
  const LoadedWindow* w = FindLoadedWindow(WindowId());
  return w != nullptr && w->WindowUnitObject() == this;
}

bool WindowUnit::Apply(int index) {
  if (widget_ == nullptr) return false;
  switch (index) {
    case wp::kTitle:
      widget_->setWindowTitle(TextOf(Property(wp::kTitle).bytes));
      ApplyFlags();
      break;
    case wp::kBorder:
      ApplyFlags();
      ApplyFixedSize();
      widget_->LayOut();
      widget_->update();
      break;
    case wp::kBackColour:
      widget_->Client()->update();
      break;
    case wp::kBackPicture:
      backPicture_.reset();
      backPictureDecoded_ = false;
      widget_->Client()->update();
      break;
    case wp::kBackPictureMode:
      if (!Property(wp::kBackPicture).bytes.empty()) widget_->Client()->update();
      break;
    case wp::kMusic:
    case wp::kMusicMode:
      StopMusic();
      StartMusic();
      break;
    case wp::kControlBox:
    case wp::kMaximiseButton:
    case wp::kMinimiseButton:
      ApplyFlags();
      break;
    case wp::kPosition:
      if (widget_->isVisible()) ApplyPosition();
      break;
    case wp::kIcon:
      ApplyIcon();
      break;
    case wp::kShape:
      ApplyShape();
      break;
    case wp::kAlwaysOnTop:
      ApplyAlwaysOnTop();
      break;
    default:
      // Movable, the keyboard switches, help, task bar, drag anywhere, keep title active
      // and the class name are read when they are needed.
      break;
  }
  return false;
}

std::optional<PropertyValue> WindowUnit::Read(int index) const {
  if (index == wp::kPosition && widget_ != nullptr) {
    PropertyValue value;
    value.word = widget_->isMinimized() ? 2 : widget_->isMaximized() ? 3 : 0;
    return value;
  }
  return Unit::Read(index);
}

void WindowUnit::ApplyFlags() {
  const int border = Property(wp::kBorder).word;
  Qt::WindowFlags flags = (border == 3 || border == 4) ? Qt::Tool : Qt::Window;
  if (border == 0) {
    flags |= Qt::FramelessWindowHint;
  } else {
    const bool controlBox = Property(wp::kControlBox).word != 0;
    flags |= Qt::CustomizeWindowHint;
    if (controlBox || !Property(wp::kTitle).bytes.empty()) flags |= Qt::WindowTitleHint;
    if (controlBox) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if (Property(wp::kMaximiseButton).word != 0) flags |= Qt::WindowMaximizeButtonHint;
  if (Property(wp::kMinimiseButton).word != 0) flags |= Qt::WindowMinimizeButtonHint;
  if (AlwaysOnTop()) flags |= Qt::WindowStaysOnTopHint;
  if (widget_->windowFlags() == flags) return;

  // New flags make a new native window, hidden: it is shown again in place.
  const bool visible = widget_->isVisible();
  const bool frameChanges = (widget_->windowFlags() ^ flags).testFlag(Qt::FramelessWindowHint);
  const QPoint at = widget_->pos();
  const QSize size = widget_->size();
  ++widget_->quiet;
  widget_->setWindowFlags(flags);
  widget_->move(at);
  widget_->resize(size);
  if (visible) {
    widget_->show();
    if (frameChanges) {
      // The new native window keeps the old frame's size until the window system
      // reports a move: one step aside and back puts the new frame where the old was.
      widget_->move(at + QPoint(1, 0));
      widget_->move(at);
    }
  }
  --widget_->quiet;
  widget_->MarkReported();
  ApplyShape();
}

void WindowUnit::ApplyFixedSize() {
  if (FixedBorder(Property(wp::kBorder).word)) {
    widget_->setFixedSize(widget_->size());
  } else {
    widget_->setMinimumSize(0, 0);
    widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

void WindowUnit::ApplyIcon() {
  const std::string& bytes = Property(wp::kIcon).bytes;
  QIcon icon;  // none: the program's icon
  if (!bytes.empty()) {
    Picture* picture = DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    PreparedPicture prepared;
    if (PreparePicture(picture, prepared)) icon = QIcon(QPixmap::fromImage(prepared.image));
    FreePicture(picture);
  }
  widget_->setWindowIcon(icon);
}

QRegion WindowUnit::ShapeRegion(int shape, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  switch (shape) {
    case 1:
      return QRegion(0, 0, width, height, QRegion::Ellipse);
    case 2: {
      const int corner = std::min(width / 5, height / 5);
      QPainterPath path;
      path.addRoundedRect(QRectF(0, 0, width, height), corner / 2.0, corner / 2.0);
      return QRegion(path.toFillPolygon().toPolygon());
    }
    case 3: {
      const int dx = width / 4, dy = height / 4;
      return QRegion(0, 0, width, height, QRegion::Ellipse)
          .subtracted(QRegion(dx, dy, width - 2 * dx, height - 2 * dy, QRegion::Ellipse));
    }
    default:
      if (shape < kFirstPolygonShape || shape > kLastShape) return {};
      return QRegion(Outline(shape, width, height), Qt::OddEvenFill);
  }
}

void WindowUnit::ApplyShape() {
  // The shape of a colour-keyed window without a compositor is the movie's to cut.
  if (SeeThroughOf(widget_) == SeeThrough::kShape) return;
  const QRegion region = ShapeRegion(Property(wp::kShape).word, widget_->width(), widget_->height());
  if (region.isEmpty()) {
    widget_->clearMask();
  } else {
    widget_->setMask(region);
  }
}

void WindowUnit::Centre() {
  const QRect s = PrimaryScreenGeometry();
  if (s.isEmpty()) return;
  // The window rectangle, frame included, goes to the middle of the primary screen. A
  // window larger than the screen keeps its top-left corner on it, so that its title
  // bar (and with it the window) can still be reached and moved.
  const QSize outer = widget_->frameGeometry().size();
  widget_->move(s.x() + std::max(0, (s.width() - outer.width()) / 2),
                s.y() + std::max(0, (s.height() - outer.height()) / 2));
}

void WindowUnit::ApplyPosition() {
  switch (Property(wp::kPosition).word) {
    case 0:
      widget_->showNormal();
      break;
    case 1:
      if (widget_->isMinimized() || widget_->isMaximized()) widget_->showNormal();
      Centre();
      break;
    case 2:
      widget_->showMinimized();
      break;
    case 3:
      widget_->showMaximized();
      break;
    default:
      break;
  }
}

void WindowUnit::ReassertTopmost() {
  ApplyFlags();
  if (widget_->isVisible()) widget_->raise();
}

void WindowUnit::ApplyAlwaysOnTop() {
  ApplyFlags();
  if (AlwaysOnTop()) {
    if (widget_->isVisible()) widget_->raise();
    return;
  }
  // Other windows that are topmost and have no task-bar button stay on top.
  for (LoadedWindow* w : LoadedWindows()) {
    auto* other = dynamic_cast<WindowUnit*>(w->WindowUnitObject());
    if (other == nullptr || other == this || other->widget_ == nullptr) continue;
    if (other->AlwaysOnTop() && !other->ShowInTaskBar()) other->ReassertTopmost();
  }
}

void WindowUnit::StartMusic() {
  const std::string& bytes = Property(wp::kMusic).bytes;
  const int mode = Property(wp::kMusicMode).word;
  if (g_musicHook == nullptr || bytes.empty() || (mode != 0 && mode != 1)) return;
  g_musicHook(WindowId(), bytes, mode);
  musicPlaying_ = true;
}

void WindowUnit::StopMusic() {
  if (!musicPlaying_) return;
  musicPlaying_ = false;
  if (g_musicHook != nullptr) g_musicHook(WindowId(), {}, Property(wp::kMusicMode).word);
}

const PreparedPicture* WindowUnit::BackPicture() {
  if (!backPictureDecoded_) {
    backPictureDecoded_ = true;
    const std::string& bytes = Property(wp::kBackPicture).bytes;
    if (!bytes.empty()) {
      backPicture_ = PreparePictureBytes(bytes);
    }
  }
  return backPicture_.get();
}

bool WindowUnit::OpenHelp() {
  std::string gbkPath = Property(wp::kHelpFile).bytes;
  if (gbkPath.empty()) {
    std::string name = ProgramFileName();
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    gbkPath = std::string(RunDirectory()) + "\\" + name + ".hlp";
  }
  const QFileInfo file(QString::fromStdString(NativePath(gbkPath)));
  if (!file.isFile()) return false;
  helpOpened_ = QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath())) || helpOpened_;
  return true;
}

void RegisterWindowUnitType() {
  const UnitLayout* layout = FindUnitLayout(kWindowUnitType);
  if (layout == nullptr) return;
  RegisterUnitType(UnitTypeInfo{layout, kStateWindowed, &WindowUnit::Create});
}

}  // namespace zorvel::forms
