// The drawing panel (type code 0x00010008): a canvas with a border, a back colour and a
// back picture, whose drawing can be kept in an off-screen copy (auto-redraw), with the
// pen, brush and text settings that drawing on it uses. It is a container: units may
// sit inside it, in the coordinates of its client area (inside the border).
//
// Borders: 0 none, 1 sunken (2 pixels), 2 raised (2 pixels), 3 thin sunken (1 pixel),
// 4 etched frame (2 pixels), 5 single line (1 pixel).
//
// The surface: with auto-redraw on, the off-screen copy holds the background and what
// was drawn, and the panel shows the copy. With auto-redraw off the panel paints its
// background directly; drawing then goes to a surface made from the background at the
// first drawing. A change of size, border, back colour, back picture or its mode paints
// the background afresh, over what was drawn.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/commands.h"
#include "windows/unit.h"

namespace zorvel {
struct PreparedPicture;
}

namespace zorvel::forms {

inline constexpr std::uint32_t kDrawPanelType = 0x00010008;

namespace draw_panel_property {
inline constexpr int kBorder = 8;            // 0-5
inline constexpr int kBackColour = 9;
inline constexpr int kBackPicture = 10;
inline constexpr int kBackPictureMode = 11;  // 0 top-left, 1 tiled, 2 centred and shrunk to fit
inline constexpr int kAutoRedraw = 12;
inline constexpr int kDrawingUnit = 13;      // 0 pixel, 0.1 mm, 0.01 mm, 0.01 inch, 0.001 inch, twip
inline constexpr int kPenType = 14;          // 0 none, 1 solid, 2 dash, 3 dot, 4 dash-dot, 5 dash-dot-dot, 6 inside frame
inline constexpr int kDrawMode = 15;         // 0-15: the sixteen mixes of pen and target; 12 copies the pen
inline constexpr int kPenWidth = 16;
inline constexpr int kPenColour = 17;
inline constexpr int kBrushType = 18;        // 0 none, 1 solid, 2-7 hatches, 8-55 dot patterns
inline constexpr int kBrushColour = 19;
inline constexpr int kTextColour = 20;
inline constexpr int kTextBackColour = 21;   // no colour: text drawn without a background
inline constexpr int kFont = 22;
}  // namespace draw_panel_property

class DrawPanelWidget;
class DrawPanelClient;

class DrawPanelUnit : public Unit {
 public:
  // The create entry: defaults, the stored block, then the widget. Null on a bad block.
  static std::unique_ptr<Unit> Create(const CreateArgs& args);

  DrawPanelUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);
  ~DrawPanelUnit() override;

  QWidget* Widget() const override;
  // The area inside the border: the canvas, and the parent of the units inside it.
  QWidget* Client() const override;
  bool Apply(int index) override;

  // Width in pixels of a border style's edge.
  static int BorderWidth(int border);

  // The off-screen copy; null while auto-redraw is off. It holds the screen's device
  // pixels (its device pixel ratio is the screen's), so that a picture with more pixels
  // than the panel's size shows its detail on a high-density screen.
  const QImage* OffscreenCopy() const { return copy_.isNull() ? nullptr : &copy_; }
  // The panel's drawing in the program's pixels, one per unit of the panel's size: the
  // off-screen copy with auto-redraw on, otherwise the client area as shown (the units
  // inside it included). Null when the panel has no area.
  QImage Drawing();

  // The drawing tools made from the settings.
  const QPen& Pen() const { return pen_; }
  const QBrush& Brush() const { return brush_; }
  const QFont& TextFont() const { return font_; }
  QColor TextColour() const;
  // Invalid when text is drawn without a background.
  QColor TextBackColour() const;
  QPainter::CompositionMode DrawMode() const;
  // Pixels per drawing unit.
  double PixelsPerUnit() const;

  // Runs a drawing routine on the panel's surface with the pen, brush, font, text
  // colours and draw mode set, then shows the result.
  void Draw(const std::function<void(QPainter&)>& routine);

 private:
  friend class DrawPanelWidget;
  friend class DrawPanelClient;

  // Puts the client area inside the border, and the surface at the client's size (a
  // hidden panel is resized without resize events, so this runs before each use too).
  void SyncSize();
  // Paints the back colour and the back picture by its mode into a painter over an
  // area of the given size.
  void PaintBackground(QPainter& painter, QSize size, const QRect& clip) const;
  // Paints the background afresh: a new off-screen copy with auto-redraw on, none off;
  // what was drawn goes.
  void RenewSurface();
  // A new surface of the client's size at the screen's device pixel ratio, painted with
  // the background; a surface that no longer has those is stale.
  QImage NewSurface() const;
  bool SurfaceFits(const QImage& surface) const;
  void DecodePicture();
  void MakePen();
  void MakeBrush();
  void MakeFont();

  QPointer<DrawPanelWidget> widget_;
  DrawPanelClient* client_ = nullptr;  // a child of widget_
  std::unique_ptr<PreparedPicture> picture_;
  QImage copy_;       // auto-redraw on: background and drawing
  QImage transient_;  // auto-redraw off: what was drawn over the background, until it repaints
  QPen pen_;
  QBrush brush_;
  QFont font_;
};

// The bytes of a bitmap file holding the image: 24 bits per pixel, rows bottom-up, each
// padded to a multiple of 4 bytes. An empty image gives no bytes.
std::vector<std::uint8_t> BitmapFileBytes(const QImage& image);

// The side of a canvas picture: 0 keeps the source's side, a positive value is pixels,
// −N is N percent of the source (at least 10 percent); at least 1 pixel and at most the
// largest picture side the runtime reads.
int CanvasPictureSide(std::int32_t requested, int sourceSide);

void RegisterDrawPanelType();

}  // namespace zorvel::forms

namespace zorvel::cmd {

// GetCanvasPicture(panel, [width], [height]) -> byte set: the panel's drawing as the bytes
// of a bitmap file, at the size the width and height ask (see CanvasPictureSide).
ZORVEL_COMMAND(GetCanvasPicture);

}  // namespace zorvel::cmd
