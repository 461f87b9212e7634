// The pattern the standard controls share (Label, Button, CheckBox, RadioBox, GroupBox,
// and the EditBox and PicBox beside them): texts and colours as they are shown, the
// alignments, decoded pictures, the clamping of stored values, the life of a control's
// widget, and the caption button that draws push buttons, check boxes and radio boxes.
//
// Owned by the Label/Button/CheckBox/RadioBox/GroupBox units. Other unit types may use
// it as it is; changes go through the owners of those units.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "windows/unit.h"

namespace zorvel::forms::control {

// A GBK text as it is shown: line breaks "\r\n" and lone "\r" become "\n".
QString ShownText(std::string_view gbkText);

// A colour value 0x00BBGGRR as a Qt colour; "no colour" (0xFF000000) is none.
inline constexpr std::uint32_t kNoColourValue = 0xFF000000u;
std::optional<QColor> ColourOf(std::int32_t value);
QColor ColourOrDefault(std::int32_t value, QColor fallback);
// The system's button-face colour, which "no colour" stands for where a fill is needed.
inline const QColor kButtonFace{240, 240, 240};

// Alignment from a horizontal choice (0 left, 1 centre, 2 right) and a vertical one
// (0 top, 1 centre, 2 bottom).
Qt::Alignment AlignmentOf(std::int32_t horizontal, std::int32_t vertical);

// The image of encoded picture bytes; none when they are empty or no picture.
std::optional<QImage> DecodePicture(std::string_view bytes);

// Brings every choice and ranged integer of the unit to its range (stored blocks are
// written by hand as well as by the form compiler).
void ClampToLayout(Unit& unit);

// Reads the stored block and clamps; false when the block is bad (the unit then fails).
bool ReadStoredProperties(Unit& unit, std::span<const std::uint8_t> stored);

// The create entry of a control whose unit makes its widget in its constructor and shows
// its properties with ApplyAll(): the unit, the stored block read and clamped, then every
// property shown. Null when the block is bad.
template <class ControlUnit>
std::unique_ptr<Unit> CreateControl(const CreateArgs& args) {
  auto unit = std::make_unique<ControlUnit>(args);
  if (!ReadStoredProperties(*unit, args.stored)) return nullptr;
  unit->ApplyAll();
  return unit;
}

// Common widget set-up: geometry, enabled state from the style bits, no background fill.
void PlaceWidget(QWidget& widget, const CreateArgs& args);

// Fires an event of the unit while marking its widget busy, so that a handler that makes
// the unit go away (re-creation, closing) does not delete the widget under its own
// event handling. Returns the handler's result.
std::optional<std::int32_t> FireFrom(QWidget* widget, const Unit& unit, std::int32_t event);
// Deletes a control's widget: at once, or later when it is inside FireFrom.
void DisposeWidget(QWidget* widget);

// A button-like widget drawn by the runtime: a push button, or a check box or radio
// box (optionally with the push-button look), with an aligned multi-line caption or a
// picture in place of it. The caption's "&x" shows as an underlined x but makes no
// shortcut of its own: the window handles Alt+letter. Exclusivity of radio boxes is the
// unit's business (a click only ever sets a radio box); arrow keys are left to the
// window.
class CaptionButton : public QAbstractButton {
 public:
  enum class Kind { kPush, kCheck, kRadio };
  struct Look {
    bool pushLike = false;    // check and radio boxes drawn as push buttons
    bool flat = false;
    bool textOnLeft = false;  // the check mark on the right
    bool isDefault = false;   // a push button that is the window's default button
    bool wrap = false;        // captions wrap at the width
    Qt::Alignment alignment = Qt::AlignCenter;
    std::optional<QColor> text;  // none: the system's button text
    std::optional<QColor> back;  // none: the parent's look (push look: button face)
  };

  CaptionButton(Kind kind, QWidget* parent);

  Kind ButtonKind() const { return kind_; }
  void SetCaption(const QString& caption);
  const QString& CaptionText() const { return caption_; }
  void SetLook(const Look& look);
  const Look& CurrentLook() const { return look_; }
  void SetPicture(std::optional<QImage> picture);
  bool HasPicture() const { return picture_.has_value(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void nextCheckState() override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

 private:
  void DrawContent(QPainter& painter, const QRect& area, bool pushed);
  void DrawIndicator(QPainter& painter, const QRect& box);

  Kind kind_;
  QString caption_;
  Look look_;
  std::optional<QImage> picture_;
};

}  // namespace zorvel::forms::control
