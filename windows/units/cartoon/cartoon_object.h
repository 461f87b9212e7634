// The animation object (CartoonObject, type code 0x00020009): a template that is never
// shown. It holds a sprite's picture frames, text, colours and behaviour; the animation
// stage (cartoon_box.h) makes live objects as copies of it.
//
// The picture (property 11) is decoded once, when an object is first made from it after
// it changed: a GIF gives every frame composed onto its logical screen, a PNG keeps its
// alpha, any other picture gives one frame. The decoded frames share their pixels with
// every object made from them, so making an object copies no pixels.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "windows/unit.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kCartoonObjectType = 0x00020009;

namespace cartoon_object {
// Property indexes.
enum : int {
  kText = 8,
  kFont,
  kTextColour,
  kPicture,
  kTopLeftTransparent,
  kTransparentColour,
  kEngineSetting14,
  kEngineTiming,
  kEngineSetting16,
  kTintColour,
  kTintAmount,
  kImageEffect,
  kTranslucency,
  kScale,
  kLayer,
  kAngle,
  kMayRotate,
  kMirror,
  kEngineSetting26,
  kEngineSound27,
  kEngineSound28,
  kEngineSetting29,
  kEngineSound30,
  kEngineSetting31,
};
}  // namespace cartoon_object

// One picture frame of a sprite: RGB32 when it is opaque, premultiplied ARGB32 when any
// pixel is transparent; every frame of a sprite has the same size.
struct SpriteFrame {
  QImage image;
  std::int32_t delayMs = 0;
};

// The frames of encoded picture bytes. A GIF (signature GIF87a or GIF89a) gives all its
// frames with their delays and transparency; a PNG keeps its alpha; any other picture
// gives one frame. A one-frame picture then loses the colour of its top-left pixel
// (topLeftTransparent) or else the transparent colour (0x00BBGGRR, kNoColour for
// none). Undecodable bytes give no frames.
std::vector<SpriteFrame> DecodeSpriteFrames(std::string_view bytes, bool topLeftTransparent,
                                            std::uint32_t transparentColour);

// The one frame of a text sprite: the text (GBK) in the font (a 60-byte logical font;
// empty: the default GUI font) and colour (0x00BBGGRR) on a transparent ground. The
// empty text gives no frames.
std::vector<SpriteFrame> TextSpriteFrames(std::string_view gbkText, std::string_view logFont, std::uint32_t colour);

class CartoonObjectUnit : public Unit {
 public:
  CartoonObjectUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);

  QWidget* Widget() const override { return nullptr; }
  // Nothing is shown: a change of the image's source drops the decoded frames, which are
  // made again for the next object; everything else is read when an object is made.
  bool Apply(int index) override;

  // The frames an object made now gets: the text's when the text is not empty, else the
  // picture's (decoded on first use after a change).
  const std::vector<SpriteFrame>& Frames();

 private:
  std::vector<SpriteFrame> frames_;
  bool framesValid_ = false;
};

std::unique_ptr<Unit> CreateCartoonObject(const CreateArgs& args);

}  // namespace zorvel::forms
