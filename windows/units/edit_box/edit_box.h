// The edit box (EditBox): a text entry of one or several lines. Event 0: the content
// changed, by the user's typing, by the spin adjuster, or by the program writing the
// content (once for every write, even of the text it already holds).
//
// Properties: 8 content; 9 border 0-5; 10 text colour; 11 back colour; 12 font; 13 hide
// the selection while unfocused; 14 maximum length in bytes (0: none); 15 multi-line;
// 16 scroll bars (0 none, 1 horizontal, 2 vertical, 3 both; multi-line only); 17
// alignment (0 left, 1 centre, 2 right); 18 input mode (0 normal, 1 read-only,
// 2 password, 3-11 as normal); 19 password character (its first character masks the
// text in mode 2; empty shows the text); 20 case conversion (0 none, 1 upper, 2 lower);
// 21 spin adjuster (0 none, 1 arrows that step the number in the box within the range,
// 2 arrows that leave the text alone); 22, 23 the adjuster's range; 24 selection start
// and 25 selection length in bytes of the GBK content (start −1: the caret after the
// last character; length −1: the whole text; other negatives count as 0); 26 the
// selected text (writing it replaces the selection); 27, 28 data binding (kept only).
//
// Texts are GBK inside and cross to Qt at the widget: typed text (also text committed
// by an input method) becomes GBK content; a character GBK cannot hold becomes "?".
// The content of a multi-line box separates lines with "\r\n".
#pragma once

#include <QPointer>
#include <QString>
#include <memory>
#include <string>

#include "windows/unit.h"

class QLineEdit;
class QPlainTextEdit;

namespace zorvel::forms {

inline constexpr std::uint32_t kEditBoxType = 0x00010005;

namespace edit_box_property {
enum : int {
  kContent = 8, kBorder, kTextColour, kBackColour, kFont, kHideSelection, kMaxLength, kMultiLine, kScrollBars,
  kAlignment, kInputMode, kPasswordCharacter, kCaseConversion, kSpinAdjuster, kAdjusterMinimum,
  kAdjusterMaximum, kSelectionStart, kSelectionLength, kSelectedText, kDataSource, kDataColumn,
};
}

class EditBoxUnit : public Unit {
 public:
  explicit EditBoxUnit(const CreateArgs& args);
  ~EditBoxUnit() override;

  QWidget* Widget() const override;
  bool Apply(int index) override;
  std::optional<PropertyValue> Read(int index) const override;
  std::vector<std::uint8_t> Save() const override;
  bool WantsKey(int virtualKey) const override;

  // Builds the widget from the properties (after the stored block was read).
  void Build(const CreateArgs& args);

  // The live content, GBK ("\r\n" between lines of a multi-line box).
  std::string Content() const;
  // The widget's own text as shown (a password box: the mask characters).
  QString DisplayedText() const;
  // The spin adjuster's arrows, for tests and for the widget: +1 up, −1 down.
  void Step(int direction);

  // What the widgets call back.
  QString Admit(const QString& incoming, int removedBytes) const;  // case and length rules
  void UserChanged();                                             // the text may have changed
  void FocusChanged(bool focused);

 private:
  bool MultiLine() const;
  QString WidgetText() const;  // with "\n" between lines
  void SetWidgetText(const QString& text);
  int Bytes(const QString& text) const;  // GBK bytes, "\n" of a multi-line box counting 2
  int IndexOfByte(int byteOffset) const;  // widget text index of a byte offset
  void Select(int startIndex, int endIndex);
  std::pair<int, int> Selection() const;  // widget text indexes (start, end)
  void ApplyColours();
  void ApplyLayout();
  void ApplyInputMode();
  void ApplyBorder();
  void ApplyRange();
  QString Converted(const QString& text) const;

  QPointer<QLineEdit> line_;
  QPointer<QPlainTextEdit> text_;
  QString lastText_;
  bool focused_ = false;
  bool settingText_ = false;
};

std::unique_ptr<Unit> CreateEditBox(const CreateArgs& args);
void RegisterEditBoxType();

}  // namespace zorvel::forms
