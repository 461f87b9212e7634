// The label (Label): text on a plain, gradient or picture background inside one of
// seven borders, with an optional raised, sunken or shadowed text effect.
//
// Properties: 8 title, 9 effect (0 none, 1 raised, 2 sunken, 3 shadow), 10 border
// (0 none, 1 sunken, 2 raised, 3 thin sunken, 4 single line, 5 etched, 6 gradient),
// 11 gradient border width (at least 5), 12-14 gradient border colours (outside, middle,
// inside), 15 font, 16 text colour, 17 back colour (no colour: the parent's look),
// 18 back picture, 19 back picture mode (0 top-left, 1 tiled, 2 centred and shrunk to
// fit), 20 gradient background mode (0 none; 1 top to bottom, 2 bottom to top, 3 left to
// right, 4 right to left, 5 top-left to bottom-right, 6 bottom-right to top-left,
// 7 bottom-left to top-right, 8 top-right to bottom-left), 21-23 gradient background
// colours (start, middle, end), 24 horizontal alignment, 25 word wrap, 26 vertical
// alignment, 27 data source, 28 data column (kept, no effect).
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

#include "windows/unit.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kLabelType = 0x0001000A;

namespace label_property {
enum : int {
  kTitle = 8, kEffect, kBorder, kGradientBorderWidth, kGradientBorderColour1, kGradientBorderColour2,
  kGradientBorderColour3, kFont, kTextColour, kBackColour, kBackPicture, kBackPictureMode, kGradientBackMode,
  kGradientBackColour1, kGradientBackColour2, kGradientBackColour3, kHorizontalAlignment, kWordWrap,
  kVerticalAlignment,
};
}

class LabelUnit;

class LabelWidget : public QWidget {
 public:
  LabelWidget(LabelUnit* unit, QWidget* parent);
  void Detach() { unit_ = nullptr; }
  void DropPicture() { picture_.reset(); pictureDecoded_ = false; }

  // The width of the border on each side.
  static int BorderWidth(int border, int gradientWidth);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintBackground(QPainter& painter);
  void PaintPicture(QPainter& painter);
  void PaintBorder(QPainter& painter);
  void PaintText(QPainter& painter, const QRect& area);

  LabelUnit* unit_;
  bool pictureDecoded_ = false;
  std::optional<QImage> picture_;
};

class LabelUnit : public Unit {
 public:
  explicit LabelUnit(const CreateArgs& args);
  ~LabelUnit() override;

  QWidget* Widget() const override { return widget_; }
  bool Apply(int index) override;
  void ApplyAll();

 private:
  QPointer<LabelWidget> widget_;
};

void RegisterLabelType();

}  // namespace zorvel::forms
