// Test forms for the window core: a window unit with chosen properties, and two small
// unit types of the tests' own (a push button and a radio box on plain Qt widgets), so
// the loader, dispatcher and keyboard handling can be driven before the real controls
// exist.
#pragma once

#include <QAbstractButton>
#include <QPushButton>
#include <QRadioButton>
#include <map>
#include <string>
#include <vector>

#include "forms/form_writer.h"
#include "forms/unit_layout.h"
#include "windows/events.h"
#include "windows/unit.h"
#include "windows/units/window/window_unit.h"
#include "windows/windows.h"

namespace zorvel::forms::testing {

inline constexpr std::uint32_t kTestButtonType = 0x0001FF01;
inline constexpr std::uint32_t kTestRadioType = 0x0001FF02;
// The one event of both: a click (also by Enter on the default button, by Alt and the
// caption's letter, and for the radio, by the arrow keys).
inline constexpr std::int32_t kTestButtonClicked = 0;

inline constexpr int kTestCaption = prop::kFirstOwn;
inline constexpr int kTestDefaultButton = prop::kFirstOwn + 1;
inline constexpr PropertyInfo kTestButtonProperties[] = {
    {"caption", PropertyType::kText},
    {"defaultButton", PropertyType::kLogical, 0, {}, 0, 0, 1},
};
inline constexpr StoredField kTestButtonFields[] = {{kTestDefaultButton, FieldKind::kWord},
                                                    {kTestCaption, FieldKind::kText}};
inline const UnitLayout kTestButtonLayout{kTestButtonType, "TestButton", "", 1, kTestButtonProperties,
                                          kTestButtonFields};
inline const UnitLayout kTestRadioLayout{kTestRadioType, "TestRadio", "", 1, kTestButtonProperties,
                                         kTestButtonFields};

class TestButton : public Unit {
 public:
  TestButton(const UnitLayout& layout, const CreateArgs& args, bool radio) : Unit(layout, args.windowId, args.unitId) {
    if (radio) button_ = new QRadioButton(args.parent);
    else button_ = new QPushButton(args.parent);
    button_->setGeometry(args.left, args.top, args.width, args.height);
    button_->setFocusPolicy(Qt::StrongFocus);
    button_->setEnabled((args.style & kStyleDisabled) == 0);
  }
  ~TestButton() override { delete button_; }
  QWidget* Widget() const override { return button_; }
  bool Apply(int index) override {
    if (index == kTestCaption) button_->setText(QString::fromStdString(Property(kTestCaption).bytes));
    return false;
  }
  bool IsDefaultButton() const override { return Property(kTestDefaultButton).word != 0; }
  std::string Caption() const override { return Property(kTestCaption).bytes; }
  bool Click() override {
    if (auto* radio = qobject_cast<QRadioButton*>(button_)) radio->setChecked(true);
    Fire(WindowId(), UnitId(), kTestButtonClicked);
    return true;
  }

 private:
  QAbstractButton* button_ = nullptr;
};

inline void RegisterTestUnitTypes() {
  RegisterUnitType(UnitTypeInfo{&kTestButtonLayout, kStateWindowed | kStateDefaultButton, [](const CreateArgs& a) {
                                  auto u = std::make_unique<TestButton>(kTestButtonLayout, a, false);
                                  if (!u->ReadStoredBlock(a.stored)) return std::unique_ptr<Unit>();
                                  u->Apply(kTestCaption);
                                  return std::unique_ptr<Unit>(std::move(u));
                                }});
  RegisterUnitType(UnitTypeInfo{&kTestRadioLayout, kStateWindowed | kStateRadio, [](const CreateArgs& a) {
                                  auto u = std::make_unique<TestButton>(kTestRadioLayout, a, true);
                                  if (!u->ReadStoredBlock(a.stored)) return std::unique_ptr<Unit>();
                                  u->Apply(kTestCaption);
                                  return std::unique_ptr<Unit>(std::move(u));
                                }});
}

// A stored block of a layout from property values by index (others at their defaults).
inline std::string StoredBlock(const UnitLayout& layout, const std::map<int, PropertyValue>& values) {
  std::vector<PropertyValue> properties = DefaultProperties(layout);
  for (const auto& [index, value] : values) properties.at(static_cast<std::size_t>(index - prop::kFirstOwn)) = value;
  const std::vector<std::uint8_t> block = WriteStored(layout, properties);
  return std::string(block.begin(), block.end());
}

inline PropertyValue Word(std::int32_t v) { return PropertyValue{v, 0, {}}; }
inline PropertyValue Text(std::string v) { return PropertyValue{0, 0, std::move(v)}; }

inline UnitDescription WindowUnitDescription(std::uint32_t unitId, int left, int top, int width, int height,
                                             const std::map<int, PropertyValue>& values = {}) {
  UnitDescription u;
  u.id = unitId;
  u.type = kWindowUnitType;
  u.left = left;
  u.top = top;
  u.width = width;
  u.height = height;
  u.flags = kFlagVisible;
  std::map<int, PropertyValue> v = values;
  v.emplace(window_property::kPosition, Word(0));  // as stored unless a test says otherwise
  u.stored = StoredBlock(*FindUnitLayout(kWindowUnitType), v);
  return u;
}

inline UnitDescription ButtonDescription(std::uint32_t id, int left, int top, std::string caption,
                                         bool isDefault = false, std::uint32_t type = kTestButtonType) {
  UnitDescription u;
  u.id = id;
  u.type = type;
  u.name = "button";
  u.left = left;
  u.top = top;
  u.width = 80;
  u.height = 24;
  u.flags = kFlagVisible | kFlagTabStop;
  u.stored = StoredBlock(type == kTestButtonType ? kTestButtonLayout : kTestRadioLayout,
                         {{kTestCaption, Text(std::move(caption))}, {kTestDefaultButton, Word(isDefault ? 1 : 0)}});
  return u;
}

// Handlers that record what ran: each entry k of the table records (k, arguments) and
// answers what the test put in its answer slot (none by default).
struct Recorder {
  struct Call {
    int handler;
    std::vector<std::int32_t> arguments;
  };
  static inline std::vector<Call> calls;
  static inline std::map<int, std::int32_t> answers;
  static inline std::map<int, void (*)()> actions;

  template <int K>
  static std::optional<std::int32_t> Handler(std::span<const std::int32_t> args) {
    calls.push_back(Call{K, std::vector<std::int32_t>(args.begin(), args.end())});
    if (const auto a = actions.find(K); a != actions.end()) a->second();
    if (const auto it = answers.find(K); it != answers.end()) return it->second;
    return std::nullopt;
  }

  static std::span<const HandlerEntry> Table() {
    static const HandlerEntry table[] = {
        {"h0", &Handler<0>}, {"h1", &Handler<1>}, {"h2", &Handler<2>}, {"h3", &Handler<3>},
        {"h4", &Handler<4>}, {"h5", &Handler<5>}, {"h6", &Handler<6>}, {"h7", &Handler<7>},
        {"h8", &Handler<8>}, {"h9", &Handler<9>}, {"h10", &Handler<10>}, {"h11", &Handler<11>},
    };
    return table;
  }

  static std::vector<int> Order() {
    std::vector<int> order;
    for (const Call& c : calls) order.push_back(c.handler);
    return order;
  }

  static void Reset() {
    calls.clear();
    answers.clear();
    actions.clear();
  }
};

// Values as the property entries take them.
inline UnitValue IntValue(std::int64_t v) {
  UnitValue u;
  u.word = v;
  return u;
}

inline UnitValue TextValue(std::string text) {
  UnitValue u;
  u.bytes = std::move(text);
  u.hasBytes = true;
  return u;
}

}  // namespace zorvel::forms::testing
