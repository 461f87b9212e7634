// The transparent label (TransLabel, type code 0x00030005): text with no background of
// its own, so that whatever lies beneath it (the window's back picture, a drawing
// panel's photo) shows between the letters. It has no events of its own; the common
// mouse events fire for it as for every unit.
//
// Properties: 8 title, 9 effect (0 plain, 1 engraved, 2 raised, 3 shadow), 10 font
// (60-byte logical font; empty: the default GUI font), 11 text colour, 12 horizontal
// alignment (0 left, 1 centre, 2 right), 13 word wrap, 14 vertical alignment (0 top,
// 1 centre, 2 bottom; single-line text only).
#pragma once

#include <QColor>
#include <QString>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "windows/unit.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kTransLabelType = 0x00030005;

namespace trans_label {
enum : int {
  kTitle = 8,
  kEffect = 9,
  kFont = 10,
  kTextColour = 11,
  kHorizontalAlignment = 12,
  kWordWrap = 13,
  kVerticalAlignment = 14,
};
enum : int { kPlain = 0, kEngraved = 1, kRaised = 2, kShadow = 3 };
}  // namespace trans_label

class TransLabelWidget;

class TransLabelUnit : public Unit {
 public:
  // The create entry: defaults, the stored block, then the native widget. Null when the
  // block is bad.
  static std::unique_ptr<Unit> Create(const CreateArgs& args);

  TransLabelUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);
  ~TransLabelUnit() override;

  QWidget* Widget() const override;
  bool Apply(int index) override;

  // Draws the label's text with its effect into a painter set up on the label's area.
  void Paint(QPainter& painter, const QRect& area) const;
  // Paints the label as its widget shows it: the letters are drawn once into a layer of
  // the widget's size and that layer is laid over what lies beneath on every repaint, so
  // a title over the spinning prize costs a copy, not large glyphs drawn as paths.
  void PaintWidget(QPainter& painter, const QSize& size) const;

 private:
  friend class TransLabelWidget;
  // Clamps the choices to their ranges.
  void Clamp(int index);
  // Gives the label's area a fresh background from everything beneath it, at once, and
  // then lets the label draw its text again, so no trace of the old text remains.
  void Refresh();

  TransLabelWidget* widget_ = nullptr;
  mutable QImage layer_;  // the letters at the widget's size; null until needed again
};

void RegisterTransLabelType();

}  // namespace zorvel::forms
