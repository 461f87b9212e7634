#include "windows/movie_host.h"

#include <dlfcn.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "runtime/movie/movie.h"
#include "runtime/movie/page.h"
#include "runtime/movie/player.h"
#include "text/files.h"

namespace zorvel::forms {

namespace {

using automation::Access;
using automation::Object;
using automation::SameMember;
using automation::Variant;
using namespace std::chrono;

constexpr char kColourKeyProperty[] = "zorvelColourKey";
constexpr char kSeeThroughProperty[] = "zorvelSeeThrough";
constexpr char kInputRegionProperty[] = "zorvelInputRegion";
// A shape that shows nothing: an empty region would mean no shape at all.
const QRegion kNothingShown(-1, -1, 1, 1);

bool g_forceShape = false;
std::int64_t g_framesDrawn = 0;

QRgb KeyRgb(std::uint32_t colorRef) {
  return qRgb(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
              static_cast<int>((colorRef >> 16) & 0xFF));
}

// ---- The X server, reached through the connection Qt already has -----------------
//
// The two libraries are loaded when first needed, so that the window core needs no X
// library to build or to run on another platform.

struct Xcb {
  decltype(&xcb_intern_atom) internAtom = nullptr;
  decltype(&xcb_intern_atom_reply) internAtomReply = nullptr;
  decltype(&xcb_get_selection_owner) selectionOwner = nullptr;
  decltype(&xcb_get_selection_owner_reply) selectionOwnerReply = nullptr;
  decltype(&xcb_flush) flush = nullptr;
  // xcb_shape_rectangles of the SHAPE extension.
  using ShapeRectangles = xcb_void_cookie_t (*)(xcb_connection_t*, std::uint8_t op, std::uint8_t kind,
                                                 std::uint8_t ordering, xcb_window_t, std::int16_t x,
                                                 std::int16_t y, std::uint32_t count, const xcb_rectangle_t*);
  ShapeRectangles shapeRectangles = nullptr;
};

const Xcb* LoadXcb() {
  static const Xcb* loaded = [] () -> const Xcb* {
    void* core = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (core == nullptr) return nullptr;
    static Xcb x;
    x.internAtom = reinterpret_cast<decltype(x.internAtom)>(dlsym(core, "xcb_intern_atom"));
    x.internAtomReply = reinterpret_cast<decltype(x.internAtomReply)>(dlsym(core, "xcb_intern_atom_reply"));
    x.selectionOwner = reinterpret_cast<decltype(x.selectionOwner)>(dlsym(core, "xcb_get_selection_owner"));
    x.selectionOwnerReply =
        reinterpret_cast<decltype(x.selectionOwnerReply)>(dlsym(core, "xcb_get_selection_owner_reply"));
    x.flush = reinterpret_cast<decltype(x.flush)>(dlsym(core, "xcb_flush"));
    if (void* shape = dlopen("libxcb-shape.so.0", RTLD_LAZY | RTLD_LOCAL)) {
      x.shapeRectangles = reinterpret_cast<Xcb::ShapeRectangles>(dlsym(shape, "xcb_shape_rectangles"));
    }
    if (!x.internAtom || !x.internAtomReply || !x.selectionOwner || !x.selectionOwnerReply || !x.flush) return nullptr;
    return &x;
  }();
  return loaded;
}

xcb_connection_t* XConnection() {
  auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

// A compositing manager owns the selection _NET_WM_CM_S<screen>.
bool X11Compositing(xcb_connection_t* connection) {
  const Xcb* x = LoadXcb();
  if (x == nullptr) return false;
  int screen = 0;
  const QByteArray display = qgetenv("DISPLAY");
  if (const int dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':')) screen = display.mid(dot + 1).toInt();
  const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
  xcb_intern_atom_reply_t* atom =
      x->internAtomReply(connection, x->internAtom(connection, 0, static_cast<std::uint16_t>(name.size()), name.constData()), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  xcb_get_selection_owner_reply_t* owner = x->selectionOwnerReply(connection, x->selectionOwner(connection, selection), nullptr);
  if (owner == nullptr) return false;
  const bool owned = owner->owner != XCB_NONE;
  std::free(owner);
  return owned;
}

// Whether a translucent window shows what lies beneath it here.
bool AlphaAvailable() {
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform.startsWith("wayland")) return true;
  if (xcb_connection_t* connection = XConnection()) return X11Compositing(connection);
  return false;
}

// The mouse goes through a translucent X window where it is not in the input shape.
void SetX11InputShape(QWidget* window, const QRegion& region) {
  xcb_connection_t* connection = XConnection();
  const Xcb* x = connection != nullptr ? LoadXcb() : nullptr;
  if (x == nullptr || x->shapeRectangles == nullptr || window->windowHandle() == nullptr) return;
  std::vector<xcb_rectangle_t> rects;
  rects.reserve(static_cast<std::size_t>(region.rectCount()));
  for (const QRect& r : region) {
    rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                     static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(r.height())});
  }
  constexpr std::uint8_t kSet = 0, kInput = 2, kUnsorted = 0;
  x->shapeRectangles(connection, kSet, kInput, kUnsorted, static_cast<xcb_window_t>(window->winId()), 0, 0,
                     static_cast<std::uint32_t>(rects.size()), rects.data());
  x->flush(connection);
}

// A translucent X window takes the mouse everywhere until it has an input shape, and a
// native window made again loses the one it had. The shape of the last frame (none
// before the first frame) is given again whenever the window is made or shown, before
// it is mapped, so that no click is caught in the moment before the first frame.
class InputShapeKeeper : public QObject {
 public:
  explicit InputShapeKeeper(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange) &&
        window_->testAttribute(Qt::WA_WState_Created))
      SetX11InputShape(window_, InputRegionOf(window_));
    return false;
  }

 private:
  QWidget* window_;
};

// ---- The frame as a keyed window shows it ----------------------------------------

struct Keyed {
  QRgb key;            // the colour key (opaque)
  bool seeThrough;     // the frame was drawn without background onto a transparent canvas
  QRgb under;          // otherwise: the background the frame is laid on (opaque)
  bool shape;          // covered pixels opaque in their own colour (else kept with their alpha)
};

// Turns the player's frame into what the keyed window shows: pixels that would show the
// key colour become transparent; with the shape, the others more than half covered
// become opaque in their own colour and the rest transparent. Gives the region of the
// pixels more than half covered and the bounding rectangle of all pixels left.
QRect KeyFrame(const QImage& in, QImage& out, const Keyed& k, QRegion& covered) {
  const int w = in.width(), h = in.height();
  const int kr = qRed(k.key), kg = qGreen(k.key), kb = qBlue(k.key);
  std::vector<QRect> rects;
  std::vector<std::pair<int, int>> runs, bandRuns;
  int bandTop = 0;
  int left = w, right = -1, top = h, bottom = -1;
  auto flushBand = [&](int y) {
    for (const auto& [x0, x1] : bandRuns) rects.emplace_back(x0, bandTop, x1 - x0, y - bandTop);
    bandRuns.clear();
    bandTop = y;
  };
  for (int y = 0; y < h; ++y) {
    const auto* s = reinterpret_cast<const QRgb*>(in.constScanLine(y));
    auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
    runs.clear();
    int runStart = -1;
    int rowLeft = -1, rowRight = -1;
    for (int x = 0; x < w; ++x) {
      QRgb p = s[x];
      if (p == 0) {
        d[x] = 0;
        if (runStart >= 0) runs.emplace_back(std::exchange(runStart, -1), x);
        continue;
      }
      int a = qAlpha(p);
      if (k.seeThrough) {
        // Over the key colour the pixel would give c + (255 − a)·key/255.
        const int inv = 255 - a;
        if (qRed(p) + (inv * kr + 127) / 255 == kr && qGreen(p) + (inv * kg + 127) / 255 == kg &&
            qBlue(p) + (inv * kb + 127) / 255 == kb) {
          p = 0;
          a = 0;
        }
      } else {
        if (a != 255) {
          const int inv = 255 - a;
          p = qRgb(qRed(p) + (inv * qRed(k.under) + 127) / 255, qGreen(p) + (inv * qGreen(k.under) + 127) / 255,
                   qBlue(p) + (inv * qBlue(k.under) + 127) / 255);
          a = 255;
        }
        if ((p & 0xFFFFFF) == (k.key & 0xFFFFFF)) {
          p = 0;
          a = 0;
        }
      }
      if (a > 127) {
        if (runStart < 0) runStart = x;
        if (k.shape && a != 255) p = qUnpremultiply(p) | 0xFF000000u;
      } else {
        if (runStart >= 0) runs.emplace_back(std::exchange(runStart, -1), x);
        if (k.shape) p = 0;
      }
      d[x] = p;
      if (p != 0) {
        if (rowLeft < 0) rowLeft = x;
        rowRight = x;
      }
    }
    if (runStart >= 0) runs.emplace_back(runStart, w);
    if (runs != bandRuns) {
      flushBand(y);
      bandRuns = runs;
    }
    if (rowLeft >= 0) {
      left = std::min(left, rowLeft);
      right = std::max(right, rowRight);
      top = std::min(top, y);
      bottom = y;
    }
  }
  flushBand(h);
  covered = QRegion();
  if (!rects.empty()) covered.setRects(rects.data(), static_cast<int>(rects.size()));
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

class DocumentWindow;

// ---- Automation objects -----------------------------------------------------------

class StyleObject final : public Object {
 public:
  explicit StyleObject(DocumentWindow* document) : document_(document) {}
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> arguments) override;

 private:
  QPointer<DocumentWindow> document_;
};

class BodyObject final : public Object {
 public:
  explicit BodyObject(DocumentWindow* document) : document_(document) {}
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant>) override {
    if (document_ == nullptr || access != Access::kGet || !SameMember(name, "style")) return std::nullopt;
    automation::Ref style = automation::Ref::Adopt(new StyleObject(document_));
    return Variant::ObjectRef(style.get());
  }

 private:
  QPointer<DocumentWindow> document_;
};

class ParentWindowObject final : public Object {
 public:
  explicit ParentWindowObject(DocumentWindow* document) : document_(document) {}
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> arguments) override;

 private:
  QPointer<DocumentWindow> document_;
};

class DocumentObject final : public Object {
 public:
  explicit DocumentObject(DocumentWindow* document) : document_(document) {}
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant>) override {
    if (document_ == nullptr || access != Access::kGet) return std::nullopt;
    automation::Ref member;
    if (SameMember(name, "body")) member = automation::Ref::Adopt(new BodyObject(document_));
    else if (SameMember(name, "parentWindow")) member = automation::Ref::Adopt(new ParentWindowObject(document_));
    else return std::nullopt;
    return Variant::ObjectRef(member.get());
  }

 private:
  QPointer<DocumentWindow> document_;
};

// ---- The windows ------------------------------------------------------------------

// A window of the host's chain: it keeps its children over its whole area.
class ChainWindow : public QWidget {
 public:
  ChainWindow(QWidget* parent, const char* className) : QWidget(parent) {
    setProperty(kWindowClassProperty, QByteArray(className));
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    for (QObject* child : children()) {
      if (auto* w = qobject_cast<QWidget*>(child); w != nullptr && !w->isWindow()) w->setGeometry(rect());
    }
  }
};

// The innermost window: plays the movie of the page it was navigated to.
class DocumentWindow final : public ChainWindow {
 public:
  explicit DocumentWindow(QWidget* parent) : ChainWindow(parent, kDocumentChain[2]), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  }

  void Navigate(const std::string& url);
  // The window's colour key changed: the frame is shown again for it.
  void Refresh() {
    keyedValid_ = false;
    if (movie_) Show(true);
  }
  const std::string& location() const { return location_; }
  std::map<std::string, std::string, std::less<>>& style() { return style_; }
  std::string lastScript;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::RightButton) event->accept();
    else QWidget::mousePressEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::RightButton) return QWidget::mouseReleaseEvent(event);
    event->accept();
    ShowPlayerMenu(event->globalPosition().toPoint());
  }

 private:
  void Stop();
  void Tick();
  // Brings the picture to the frame due now and shows it when it changed.
  void Show(bool force);
  // The player for the current size and colour key (re-made when they changed).
  void EnsurePlayer();
  QSize FrameSize() const {
    return QSize(page_ && page_->width > 0 ? page_->width : width(), page_ && page_->height > 0 ? page_->height : height());
  }
  QRgb Background() const {
    if (page_ && page_->background) return qRgb(page_->background->r, page_->background->g, page_->background->b);
    const movie::Rgba c = movie_->info().background;
    return qRgb(c.r, c.g, c.b);
  }
  nanoseconds Elapsed() const {
    return paused_ ? pausedAt_ : nanoseconds(clock_.nsecsElapsed()) - started_;
  }
  void ShowPlayerMenu(const QPoint& at);
  void UpdateWindowShape(const QRegion& covered);

  QTimer* timer_;
  std::string location_;
  std::optional<movie::MoviePage> page_;
  std::unique_ptr<movie::Movie> movie_;
  std::unique_ptr<movie::Player> player_;
  bool playerBackground_ = true;
  QImage keyed_;        // the frame as a keyed window shows it
  bool keyedValid_ = false;
  QRect keyedDrawn_;    // where the last keyed frame has pixels
  QElapsedTimer clock_;
  nanoseconds started_{0};
  nanoseconds pausedAt_{0};
  bool paused_ = false;
  std::map<std::string, std::string, std::less<>> style_;
};

void DocumentWindow::Stop() {
  timer_->stop();
  player_.reset();
  movie_.reset();
  page_.reset();
  keyed_ = QImage();
  keyedValid_ = false;
  paused_ = false;
}

void DocumentWindow::Navigate(const std::string& url) {
  location_ = url;
  const bool hadMovie = movie_ != nullptr;
  Stop();
  // A page path as the program gives it (GBK, Windows separators), or a file URL.
  std::string path = url;
  if (path.rfind("file:///", 0) == 0) path.erase(0, 8);
  std::string bytes;
  if (path != "about:blank" && !path.empty()) {
    const std::string native = NativePath(path);
    if (ReadWholeFile(native, bytes)) {
      page_ = movie::ReadMoviePage(bytes);
      std::string movieBytes;
      const std::size_t slash = native.rfind('/');
      const std::string folder = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
      if (page_ && ReadWholeFile(folder + NativePath(page_->source), movieBytes)) {
        movie_ = movie::ReadMovie(reinterpret_cast<const std::uint8_t*>(movieBytes.data()), movieBytes.size());
      }
      if (!movie_) page_.reset();
    }
  }
  if (!movie_) {
    // Nothing to show: a keyed window shows what lies beneath.
    if (hadMovie) UpdateWindowShape(QRegion());
    update();
    return;
  }
  clock_.start();
  started_ = nanoseconds(0);
  Show(true);
}

void DocumentWindow::EnsurePlayer() {
  const QWidget* top = window();
  const auto key = ColourKeyOf(top);
  const bool seeThrough = key && (KeyRgb(*key) & 0xFFFFFF) == (Background() & 0xFFFFFF);
  const movie::Rgba own = movie_->info().background;
  const bool withBackground = !seeThrough && (Background() & 0xFFFFFF) == (qRgb(own.r, own.g, own.b) & 0xFFFFFF);
  const QSize size = FrameSize();
  if (player_ && playerBackground_ == withBackground && player_->image().size() == size) return;
  player_ = std::make_unique<movie::Player>(*movie_, size, withBackground);
  playerBackground_ = withBackground;
}

void DocumentWindow::Show(bool force) {
  if (!movie_) return;
  if (FrameSize().isEmpty()) return;
  EnsurePlayer();
  const nanoseconds elapsed = Elapsed();
  const bool drawn = player_->Update(elapsed);
  if (drawn) ++g_framesDrawn;
  if (drawn || force || !keyedValid_) {
    const QWidget* top = window();
    const auto key = ColourKeyOf(top);
    if (key) {
      const QImage& frame = player_->image();
      if (keyed_.size() != frame.size()) keyed_ = QImage(frame.size(), QImage::Format_ARGB32_Premultiplied);
      const Keyed k{KeyRgb(*key), !playerBackground_ && (KeyRgb(*key) & 0xFFFFFF) == (Background() & 0xFFFFFF),
                    Background(), SeeThroughOf(top) == SeeThrough::kShape};
      QRegion covered;
      const QRect drawnRect = KeyFrame(frame, keyed_, k, covered);
      keyedValid_ = true;
      UpdateWindowShape(covered);
      // Only what the movie covered in this frame or the last changes.
      update(drawnRect.united(keyedDrawn_));
      keyedDrawn_ = drawnRect;
    } else {
      keyedValid_ = false;
      keyed_ = QImage();
      update();
    }
  }
  // The next frame is due at the next multiple of the frame time. A movie of one frame
  // and no sprites has nothing more to show.
  if (paused_) return;
  const movie::MovieInfo& info = movie_->info();
  if (info.frameCount <= 1 && movie_->sprites().empty()) return;
  const double frameNs = 1e9 / info.frameRate;
  const double next = static_cast<double>(player_->frame()) * frameNs;  // frame n+1 starts at n frame times
  const double waitMs = std::max(1.0, std::ceil((next - static_cast<double>(Elapsed().count())) / 1e6));
  timer_->start(static_cast<int>(std::min(waitMs, 1000.0)));
}

void DocumentWindow::Tick() { Show(false); }

void DocumentWindow::UpdateWindowShape(const QRegion& covered) {
  QWidget* top = window();
  if (!ColourKeyOf(top)) return;
  const QRegion inWindow = covered.translated(mapTo(top, QPoint(0, 0))).intersected(top->rect());
  top->setProperty(kInputRegionProperty, QVariant::fromValue(inWindow));
  if (SeeThroughOf(top) == SeeThrough::kShape) {
    top->setMask(inWindow.isEmpty() ? kNothingShown : inWindow);
  } else if (top->testAttribute(Qt::WA_WState_Created)) {
    SetX11InputShape(top, inWindow);
  }
}

void DocumentWindow::resizeEvent(QResizeEvent* event) {
  ChainWindow::resizeEvent(event);
  if (movie_) Show(true);
}

void DocumentWindow::paintEvent(QPaintEvent* event) {
  if (!movie_ || !player_) return;
  QPainter painter(this);
  const auto key = ColourKeyOf(window());
  if (key) {
    if (!keyedValid_) return;
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setClipRegion(event->region());
    painter.fillRect(event->rect(), Qt::transparent);
    painter.drawImage(0, 0, keyed_);
    return;
  }
  // The page's background around and (when the frame has none of its own) under the movie.
  if (!playerBackground_ || !rect().intersected(QRect(QPoint(0, 0), player_->image().size())).contains(event->rect())) {
    painter.fillRect(event->rect(), QColor::fromRgb(Background()));
  }
  painter.drawImage(0, 0, player_->image());
}

void DocumentWindow::ShowPlayerMenu(const QPoint& at) {
  if (!movie_) return;
  QPointer<DocumentWindow> self(this);
  QMenu menu;
  menu.setObjectName("zorvelPlayerMenu");
  QAction* restart = menu.addAction(QString::fromUtf8("重新播放"));
  QAction* pause = menu.addAction(paused_ ? QString::fromUtf8("继续") : QString::fromUtf8("暂停"));
  // The window may go while the menu is open (the effect ends after four seconds).
  QObject::connect(this, &QObject::destroyed, &menu, &QMenu::close);
  QAction* chosen = menu.exec(at);
  if (self == nullptr || !movie_ || chosen == nullptr) return;
  if (chosen == restart) {
    clock_.start();
    started_ = nanoseconds(0);
    if (paused_) pausedAt_ = nanoseconds(0);
    Show(true);
  } else if (chosen == pause) {
    if (paused_) {
      started_ = nanoseconds(clock_.nsecsElapsed()) - pausedAt_;
      paused_ = false;
      Show(false);
    } else {
      pausedAt_ = Elapsed();
      paused_ = true;
      timer_->stop();
    }
  }
}

std::optional<Variant> StyleObject::Invoke(std::string_view name, Access access, std::span<const Variant> arguments) {
  if (document_ == nullptr) return std::nullopt;
  static constexpr const char* kNames[] = {"overflow", "overflowX", "overflowY", "border"};
  for (const char* known : kNames) {
    if (!SameMember(name, known)) continue;
    auto& style = document_->style();
    if (access == Access::kGet) {
      const auto it = style.find(known);
      return Variant::Text(it == style.end() ? std::string() : it->second);
    }
    if (access == Access::kPut && !arguments.empty() && arguments.back().kind() == Variant::Kind::kText) {
      style[known] = arguments.back().text();
      return Variant();
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<Variant> ParentWindowObject::Invoke(std::string_view name, Access access,
                                                  std::span<const Variant> arguments) {
  if (document_ == nullptr || access != Access::kCall || !SameMember(name, "execScript")) return std::nullopt;
  if (arguments.empty() || arguments[0].kind() != Variant::Kind::kText) return std::nullopt;
  document_->lastScript = arguments[0].text();
  return Variant();
}

// The host window itself.
class MovieHost final : public ChainWindow {
 public:
  MovieHost(QWidget* parent) : ChainWindow(parent, kMovieHostClass) {
    auto* embedding = new ChainWindow(this, kDocumentChain[0]);
    auto* view = new ChainWindow(embedding, kDocumentChain[1]);
    document_ = new DocumentWindow(view);
  }
  DocumentWindow* document() const { return document_; }

 private:
  DocumentWindow* document_;
};

// The hosted control of a host.
class ControlObject final : public Object {
 public:
  explicit ControlObject(MovieHost* host) : host_(host) {}
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> arguments) override {
    if (host_ == nullptr) return std::nullopt;
    DocumentWindow* document = host_->document();
    if (SameMember(name, "Navigate2") && access == Access::kCall) {
      if (arguments.empty() || arguments[0].kind() != Variant::Kind::kText) return std::nullopt;
      document->Navigate(arguments[0].text());
      return Variant();
    }
    if (SameMember(name, "ExecWB") && access == Access::kCall) {
      if (arguments.size() < 2) return std::nullopt;
      return Variant();
    }
    if (SameMember(name, "LocationURL") && access == Access::kGet) return Variant::Text(document->location());
    if (SameMember(name, "Document") && access == Access::kGet) {
      automation::Ref object = automation::Ref::Adopt(DocumentObjectOf(document));
      return Variant::ObjectRef(object.get());
    }
    return std::nullopt;
  }

 private:
  QPointer<MovieHost> host_;
};

}  // namespace

QWidget* CreateMovieHost(QWidget* parent, const std::string& windowText, const QRect& geometry) {
  auto* host = new MovieHost(parent);
  host->setGeometry(geometry);
  // The chain below fills the host at once, before any resize event arrives.
  for (QWidget* w = host; w != nullptr;) {
    QWidget* child = w->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (child != nullptr) child->setGeometry(QRect(QPoint(0, 0), geometry.size()));
    w = child;
  }
  if (parent != nullptr && parent->isVisible()) host->show();
  host->document()->Navigate(windowText);
  return host;
}

automation::Object* MovieHostControl(QWidget* host) {
  auto* movieHost = dynamic_cast<MovieHost*>(host);
  return movieHost != nullptr ? new ControlObject(movieHost) : nullptr;
}

automation::Object* DocumentObjectOf(QWidget* documentWindow) {
  auto* document = dynamic_cast<DocumentWindow*>(documentWindow);
  return document != nullptr ? new DocumentObject(document) : nullptr;
}

std::string LastScriptOf(QWidget* documentWindow) {
  auto* document = dynamic_cast<DocumentWindow*>(documentWindow);
  return document != nullptr ? document->lastScript : std::string();
}

std::string WindowClassOf(const QWidget* widget) {
  return widget != nullptr ? widget->property(kWindowClassProperty).toByteArray().toStdString() : std::string();
}

QWidget* DocumentWindowOf(QWidget* host) {
  auto* movieHost = dynamic_cast<MovieHost*>(host);
  return movieHost != nullptr ? movieHost->document() : nullptr;
}

void SetColourKey(QWidget* window, std::uint32_t colorRef) {
  if (window == nullptr) return;
  window = window->window();
  const bool hadKey = ColourKeyOf(window).has_value();
  window->setProperty(kColourKeyProperty, QVariant::fromValue<uint>(colorRef & 0xFFFFFF));
  if (!hadKey) {
    const SeeThrough way = !g_forceShape && AlphaAvailable() ? SeeThrough::kAlpha : SeeThrough::kShape;
    window->setProperty(kSeeThroughProperty, static_cast<int>(way));
    if (way == SeeThrough::kAlpha && !window->testAttribute(Qt::WA_TranslucentBackground)) {
      window->setAttribute(Qt::WA_TranslucentBackground);
      // A native window made without an alpha channel is made again with one.
      QWindow* native = window->windowHandle();
      if (native != nullptr && native->format().alphaBufferSize() <= 0 &&
          QGuiApplication::platformName() != "offscreen") {
        const bool shown = window->isVisible();
        window->setWindowFlags(window->windowFlags());
        if (shown) window->show();
      }
    }
    if (way == SeeThrough::kShape) window->setMask(kNothingShown);
    if (way == SeeThrough::kAlpha) {
      new InputShapeKeeper(window);
      if (window->testAttribute(Qt::WA_WState_Created)) SetX11InputShape(window, InputRegionOf(window));
    }
  }
  // The movies in it draw their next frame for the new key.
  // (The window classes here carry no meta-object of their own: found by their C++ type.)
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (auto* document = dynamic_cast<DocumentWindow*>(child)) {
      QMetaObject::invokeMethod(document, [document] { document->Refresh(); }, Qt::QueuedConnection);
    }
  }
  window->update();
}

std::optional<std::uint32_t> ColourKeyOf(const QWidget* window) {
  if (window == nullptr) return std::nullopt;
  const QVariant key = window->window()->property(kColourKeyProperty);
  if (!key.isValid()) return std::nullopt;
  return key.toUInt();
}

SeeThrough SeeThroughOf(const QWidget* window) {
  if (!ColourKeyOf(window)) return SeeThrough::kNone;
  return static_cast<SeeThrough>(window->window()->property(kSeeThroughProperty).toInt());
}

QRegion InputRegionOf(const QWidget* window) {
  if (window == nullptr) return {};
  return window->window()->property(kInputRegionProperty).value<QRegion>();
}

void ForceShapeSeeThroughForTests(bool on) { g_forceShape = on; }

std::int64_t MovieFramesDrawn() { return g_framesDrawn; }

}  // namespace zorvel::forms
