// The group box (GroupBox): an etched frame with a caption at its top edge; a container
// whose units are placed inside it.
//
// Properties: 8 caption, 9 caption alignment (0 left, 1 centre, 2 right), 10 text
// colour, 11 back colour (no colour: the parent's look), 12 font.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "windows/unit.h"

namespace zorvel::forms {

inline constexpr std::uint32_t kGroupBoxType = 0x00010009;

namespace group_box_property {
enum : int { kCaption = 8, kAlignment, kTextColour, kBackColour, kFont };
}

class GroupBoxUnit;

class GroupBoxWidget : public QWidget {
 public:
  GroupBoxWidget(GroupBoxUnit* unit, QWidget* parent);
  void Detach() { unit_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  GroupBoxUnit* unit_;
};

class GroupBoxUnit : public Unit {
 public:
  explicit GroupBoxUnit(const CreateArgs& args);
  ~GroupBoxUnit() override;

  QWidget* Widget() const override { return widget_; }
  bool Apply(int index) override;
  void ApplyAll();

 private:
  QPointer<GroupBoxWidget> widget_;
};

void RegisterGroupBoxType();

}  // namespace zorvel::forms
