// The animation stage (CartoonBox, type code 0x00020008): a child window that composes
// its background and its sprites (live objects made from CartoonObject templates) into
// one picture on every paint.
//
// Objects are kept in a list sorted by layer (a new object goes after every object of
// the same or a lower layer) and drawn in list order, so a later object of equal layer
// lies on top. An object's image is its frame after mirror, rotation (by its angle, when
// it may rotate) and scaling per axis, tinted towards its tint colour; translucency
// blends it when the stage paints. The mirror, rotation and scaling are not made into
// pixels: the stage draws the shared frame through the equivalent transform, so making,
// turning and destroying objects costs no more than the repaint of their area.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "windows/unit.h"
#include "windows/units/cartoon/cartoon_object.h"

namespace zorvel {
struct PreparedPicture;
}

namespace zorvel::forms {

inline constexpr std::uint32_t kCartoonBoxType = 0x00020008;

namespace cartoon_box {
// Property indexes.
enum : int {
  kBorder = 8,  // 0 none, 1 sunken, 2 raised, 3 thin sunken, 4 etched, 5 single line
  kBackColour,
  kBackPicture,
  kBackPictureMode,  // 0 top-left, 1 tiled, 2 centred (shrunk to fit), 3 stretched
  kPenType,
  kDrawMode,
  kPenWidth,
  kPenColour,
  kBrushType,
  kBrushColour,
  kTextColour,
  kTextBackColour,
  kFont,
};
}  // namespace cartoon_box

// A live object: the template's copy at creation, its place and its rendering.
struct Sprite {
  std::int32_t id = 0;
  double x = 0, y = 0;  // top-left of the rendered image in the stage's client area
  bool visible = true;
  std::string tag;  // GBK

  // Copied from the template.
  std::vector<SpriteFrame> frames;
  std::string text, font;
  std::uint32_t textColour = 0;
  std::uint32_t tintColour = 0x00FFFFFF;
  std::int32_t tintAmount = 0;  // percent, 0-100
  std::int32_t imageEffect = 0;
  std::int32_t translucency = 0;  // percent, 0-100
  std::int32_t scaleX = 1000, scaleY = 1000;  // thousandths; 0 or below: unscaled
  std::int32_t layer = 0;
  std::int32_t angle = 0;  // degrees, 0-359
  bool mayRotate = false;
  std::int32_t mirror = 0;  // 0 none, 1 left-right, 2 top-bottom, 3 both
  std::string sounds[3];

  std::size_t frame = 0;  // the current frame

  // The rendered image: the frames after the tint (empty without a tint), the angle it
  // is turned by and its size.
  std::vector<QImage> tinted;
  std::int32_t renderedAngle = 0;
  std::int32_t width = 0, height = 0;

  bool HasImage() const { return !frames.empty(); }
  // Where the rendered image lies, (trunc(x), trunc(y)) and its size.
  QRect Area() const;
};

class CartoonStage;

class CartoonBoxUnit : public Unit {
 public:
  CartoonBoxUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);
  ~CartoonBoxUnit() override;

  QWidget* Widget() const override;
  bool Apply(int index) override;

  // Makes an object from the template (null: no image, scale 1000, tint colour white) at
  // (x, y), inserts it by layer, repaints its area and gives its id.
  std::int32_t CreateSprite(CartoonObjectUnit* from, double x, double y, bool visible, std::string tag);
  // Removes the object and repaints its area; an unknown id does nothing.
  void DestroySprite(std::int32_t id);
  // Turns the object to angle mod 360 keeping the centre of its image; an unknown id does
  // nothing.
  void RotateSprite(std::int32_t id, std::int32_t angle);

  // The objects in drawing order, and one by id (null when there is none).
  const std::vector<Sprite>& Sprites() const { return sprites_; }
  const Sprite* FindSprite(std::int32_t id) const;

  // Where objects are placed: the stage inside its border.
  QRect ClientArea() const;

 private:
  friend class CartoonStage;
  friend std::unique_ptr<Unit> CreateCartoonBox(const CreateArgs& args);

  void Render(Sprite& sprite) const;
  void RepaintArea(const Sprite& sprite);
  void Paint(QPainter& painter, const QRect& clip);
  void PaintBackground(QPainter& painter, const QRect& clip);
  void PaintBorder(QPainter& painter);
  const PreparedPicture* BackPicture();

  QPointer<CartoonStage> widget_;
  // The background composed at the stage's size when there is a back picture.
  QImage background_;
  std::vector<Sprite> sprites_;
  std::int32_t nextId_ = 1;
  std::unique_ptr<PreparedPicture> backPicture_;
  bool backPictureDecoded_ = false;
};

std::unique_ptr<Unit> CreateCartoonBox(const CreateArgs& args);

// Registers both animation types: the stage (a windowed unit that drags the window when
// the window drags anywhere) and the template (never shown).
void RegisterCartoonTypes();

}  // namespace zorvel::forms
