#include "windows/units/edit_box/edit_box.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextOption>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <map>

#include "text/gbk.h"
#include "windows/font.h"
#include "windows/units/control_common/control_common.h"
#include "windows/units/pic_box/box_border.h"
#include "windows/virtual_keys.h"

namespace zorvel::forms {

namespace ep = edit_box_property;

namespace {

constexpr int kArrowsWidth = 16;               // the spin adjuster beside the text
const QColor kHighlight{0, 120, 215};          // the system's selection colours
const QColor kHighlightText{255, 255, 255};
const QColor kGrayText{109, 109, 109};

QString ToQString(std::string_view gbkText) { return QString::fromStdString(gbk::ToUtf8(gbkText)); }
std::string ToGbk(const QString& text) { return gbk::FromUtf8(text.toStdString()); }

// The GBK size of one character: ASCII 1, a character GBK holds 2, anything else the
// size of its escape.
int GbkSize(char32_t c) { return static_cast<int>(gbk::EncodedSize(c)); }

// The style that masks a password box with its own character instead of the
// platform's bullet; one per character, kept for the life of the process.
class MaskStyle : public QProxyStyle {
 public:
  explicit MaskStyle(char32_t mask) : mask_(mask) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return static_cast<int>(mask_);
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }

 private:
  char32_t mask_;
};

QStyle* MaskStyleFor(char32_t mask) {
  static std::map<char32_t, QPointer<MaskStyle>> styles;
  QPointer<MaskStyle>& style = styles[mask];
  if (style == nullptr) {
    style = new MaskStyle(mask);
    style->setParent(QCoreApplication::instance());  // goes with the application
  }
  return style;
}

// The spin adjuster: an up and a down arrow, repeating while held.
class SpinArrows : public QWidget {
 public:
  SpinArrows(QWidget* parent, EditBoxUnit** unit) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const int direction : {1, -1}) {
      auto* b = new QToolButton(this);
      b->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
      b->setAutoRepeat(true);
      b->setFocusPolicy(Qt::NoFocus);
      b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
      layout->addWidget(b);
      QObject::connect(b, &QToolButton::clicked, this, [unit, direction] {
        if (*unit != nullptr) (*unit)->Step(direction);
      });
    }
  }
};

// The single-line box.
class EditLine : public QLineEdit {
 public:
  EditLine(EditBoxUnit* unit, QWidget* parent) : QLineEdit(parent), unit_(unit) {}

  EditBoxUnit* unit_;
  int border_ = 0;
  SpinArrows* arrows_ = nullptr;

  void Place() {
    const int b = BorderWidth(border_);
    // The line sits right inside the top border with its baseline where the program's
    // fonts put it (seven eighths of the character height down). The faces that stand
    // in for them reserve more room above their characters, so the line is moved up by
    // the difference (the line edit adds one pixel of its own above it). Descenders may
    // run into the border below, which is drawn over them.
    const QFontMetrics metrics(font());
    const int pixels = font().pixelSize() > 0 ? font().pixelSize() : metrics.height();
    const int top = b + (pixels * 7 + 4) / 8 - metrics.ascent() - 1;
    setTextMargins(b, std::min(top, b), b + (arrows_ != nullptr ? kArrowsWidth : 0), 0);
    if (arrows_ != nullptr) arrows_->setGeometry(width() - b - kArrowsWidth, b, kArrowsWidth, std::max(0, height() - 2 * b));
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    DrawBorder(painter, rect(), border_);
  }
  void resizeEvent(QResizeEvent* event) override {
    QLineEdit::resizeEvent(event);
    Place();
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (arrows_ != nullptr && unit_ != nullptr && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
      unit_->Step(event->key() == Qt::Key_Up ? 1 : -1);
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    if (unit_ != nullptr) unit_->FocusChanged(true);
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    if (unit_ != nullptr) unit_->FocusChanged(false);
  }
};

// The case and length rules of a single-line box, applied to every change of its text.
class EditValidator : public QValidator {
 public:
  explicit EditValidator(EditLine* line) : QValidator(line), line_(line) {}
  State validate(QString& input, int&) const override {
    if (line_->unit_ == nullptr) return Acceptable;
    const QString admitted = line_->unit_->Admit(input, std::numeric_limits<int>::max());
    if (admitted.size() != input.size()) return Invalid;
    input = admitted;
    return Acceptable;
  }

 private:
  EditLine* line_;
};

// The multi-line box.
class EditText : public QPlainTextEdit {
 public:
  EditText(EditBoxUnit* unit, QWidget* parent) : QPlainTextEdit(parent), unit_(unit) {}

  EditBoxUnit* unit_;
  int border_ = 0;

  void Place() {
    const int b = BorderWidth(border_);
    setContentsMargins(b, b, b, b);
    update();
  }

 protected:
  bool event(QEvent* event) override {
    const bool result = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Paint) {
      QPainter painter(this);
      DrawBorder(painter, rect(), border_);
    }
    return result;
  }
  // The common mouse events belong to the box, not to its text area: they go through
  // the box first, and a handler that swallows them keeps them from the text.
  bool viewportEvent(QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        QMouseEvent copy(e->type(), viewport()->mapTo(this, e->position()), e->scenePosition(),
                         e->globalPosition(), e->button(), e->buttons(), e->modifiers());
        if (QApplication::sendEvent(this, &copy)) return true;
        break;
      }
      default: break;
    }
    return QPlainTextEdit::viewportEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    QString text = event->text();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (unit_ != nullptr && !isReadOnly() && !text.isEmpty() && (text[0].isPrint() || enter)) {
      if (enter) text = QStringLiteral("\n");
      const QString admitted = unit_->Admit(text, SelectedBytes());
      if (admitted != text) {
        if (!admitted.isEmpty()) insertPlainText(admitted);
        return;
      }
    }
    QPlainTextEdit::keyPressEvent(event);
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    if (unit_ != nullptr && !event->commitString().isEmpty()) {
      const QString admitted = unit_->Admit(event->commitString(), SelectedBytes());
      if (admitted != event->commitString()) {
        QInputMethodEvent copy(event->preeditString(), event->attributes());
        copy.setCommitString(admitted, event->replacementStart(), event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&copy);
        return;
      }
    }
    QPlainTextEdit::inputMethodEvent(event);
  }
  void insertFromMimeData(const QMimeData* source) override {
    if (unit_ == nullptr || !source->hasText()) {
      QPlainTextEdit::insertFromMimeData(source);
      return;
    }
    insertPlainText(unit_->Admit(source->text(), SelectedBytes()));
  }
  void focusInEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusInEvent(event);
    if (unit_ != nullptr) unit_->FocusChanged(true);
  }
  void focusOutEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusOutEvent(event);
    if (unit_ != nullptr) unit_->FocusChanged(false);
  }

 private:
  int SelectedBytes() const {
    int bytes = 0;
    for (const char32_t c : textCursor().selectedText().toUcs4()) bytes += (c == 0x2029 || c == '\n') ? 2 : GbkSize(c);
    return bytes;
  }
};

EditLine* AsLine(QLineEdit* w) { return static_cast<EditLine*>(w); }
EditText* AsText(QPlainTextEdit* w) { return static_cast<EditText*>(w); }

}  // namespace

EditBoxUnit::EditBoxUnit(const CreateArgs& args) : Unit(*FindUnitLayout(kEditBoxType), args.windowId, args.unitId) {}

EditBoxUnit::~EditBoxUnit() {
  if (line_ != nullptr) {
    AsLine(line_)->unit_ = nullptr;
    control::DisposeWidget(line_);
  }
  if (text_ != nullptr) {
    AsText(text_)->unit_ = nullptr;
    control::DisposeWidget(text_);
  }
}

QWidget* EditBoxUnit::Widget() const {
  if (line_ != nullptr) return line_;
  return text_;
}

bool EditBoxUnit::MultiLine() const { return Property(ep::kMultiLine).word != 0; }

void EditBoxUnit::Build(const CreateArgs& args) {
  QWidget* widget = nullptr;
  if (MultiLine()) {
    auto* text = new EditText(this, args.parent);
    text->setFrameStyle(QFrame::NoFrame);
    text->setTabChangesFocus(true);
    text_ = text;
    widget = text;
    QObject::connect(text, &QPlainTextEdit::textChanged, text, [this] { UserChanged(); });
  } else {
    auto* line = new EditLine(this, args.parent);
    line->setFrame(false);
    line->setMaxLength(std::numeric_limits<int>::max());  // the byte limit is the validator's
    line->setValidator(new EditValidator(line));
    if (Property(ep::kSpinAdjuster).word != 0) line->arrows_ = new SpinArrows(line, &AsLine(line)->unit_);
    line_ = line;
    widget = line;
    QObject::connect(line, &QLineEdit::textChanged, line, [this] { UserChanged(); });
  }
  control::PlaceWidget(*widget, args);
  widget->setAutoFillBackground(true);
  widget->setFocusPolicy(Qt::StrongFocus);
  widget->setFont(ToQFont(Property(ep::kFont).bytes));
  ApplyColours();
  ApplyBorder();
  ApplyLayout();
  ApplyInputMode();
  SetWidgetText(Converted(control::ShownText(Property(ep::kContent).bytes)));
  lastText_ = WidgetText();
  Apply(ep::kSelectionStart);
  Apply(ep::kSelectionLength);
}

// ---- Text ----

QString EditBoxUnit::WidgetText() const {
  if (line_ != nullptr) return line_->text();
  if (text_ != nullptr) return text_->toPlainText();
  return {};
}

void EditBoxUnit::SetWidgetText(const QString& text) {
  settingText_ = true;
  if (line_ != nullptr) line_->setText(text);
  if (text_ != nullptr) text_->setPlainText(text);
  settingText_ = false;
}

std::string EditBoxUnit::Content() const {
  QString text = WidgetText();
  if (MultiLine()) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return ToGbk(text);
}

QString EditBoxUnit::DisplayedText() const {
  if (line_ != nullptr) return line_->displayText();
  return WidgetText();
}

int EditBoxUnit::Bytes(const QString& text) const {
  int bytes = 0;
  const bool multi = MultiLine();
  for (const char32_t c : text.toUcs4()) bytes += (multi && c == '\n') ? 2 : GbkSize(c);
  return bytes;
}

int EditBoxUnit::IndexOfByte(int byteOffset) const {
  const QString text = WidgetText();
  const bool multi = MultiLine();
  int bytes = 0;
  qsizetype i = 0;
  while (i < text.size() && bytes < byteOffset) {
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
    const char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
    bytes += (multi && c == '\n') ? 2 : GbkSize(c);
    i += pair ? 2 : 1;
  }
  return static_cast<int>(i);
}

QString EditBoxUnit::Converted(const QString& text) const {
  switch (Property(ep::kCaseConversion).word) {
    case 1: return text.toUpper();
    case 2: return text.toLower();
    default: return text;
  }
}

QString EditBoxUnit::Admit(const QString& incoming, int removedBytes) const {
  const QString converted = Converted(incoming);
  const int limit = Property(ep::kMaxLength).word;
  if (limit <= 0) return converted;
  // A whole new text (removedBytes covering everything) is measured on its own.
  const int kept = removedBytes == std::numeric_limits<int>::max() ? 0 : std::max(0, Bytes(WidgetText()) - removedBytes);
  int room = limit - kept;
  QString admitted;
  for (const char32_t c : converted.toUcs4()) {
    const int size = (MultiLine() && c == '\n') ? 2 : GbkSize(c);
    if (size > room) break;
    room -= size;
    admitted += QString::fromUcs4(&c, 1);
  }
  return admitted;
}

void EditBoxUnit::UserChanged() {
  if (settingText_) return;
  const QString now = WidgetText();
  if (now == lastText_) return;
  lastText_ = now;
  control::FireFrom(Widget(), *this, 0);
}

void EditBoxUnit::Step(int direction) {
  if (line_ == nullptr || Property(ep::kSpinAdjuster).word != 1 || line_->isReadOnly()) return;
  const int low = Property(ep::kAdjusterMinimum).word;
  const int high = Property(ep::kAdjusterMaximum).word;
  bool isNumber = false;
  const qlonglong current = line_->text().trimmed().toLongLong(&isNumber);
  // Up goes towards the maximum, also when the range runs downwards.
  const qlonglong step = high >= low ? direction : -direction;
  const qlonglong value = std::clamp<qlonglong>((isNumber ? current : low) + step, std::min(low, high), std::max(low, high));
  line_->setText(QString::number(value));  // a change fires event 0 as typing does
}

// ---- Selection ----

std::pair<int, int> EditBoxUnit::Selection() const {
  if (line_ != nullptr) {
    if (!line_->hasSelectedText()) return {line_->cursorPosition(), line_->cursorPosition()};
    const int start = line_->selectionStart();
    return {start, start + static_cast<int>(line_->selectedText().size())};
  }
  if (text_ != nullptr) {
    const QTextCursor c = text_->textCursor();
    return {c.selectionStart(), c.selectionEnd()};
  }
  return {0, 0};
}

void EditBoxUnit::Select(int startIndex, int endIndex) {
  if (line_ != nullptr) {
    if (startIndex == endIndex) line_->setCursorPosition(startIndex);
    else line_->setSelection(startIndex, endIndex - startIndex);
  } else if (text_ != nullptr) {
    QTextCursor c = text_->textCursor();
    c.setPosition(startIndex);
    c.setPosition(endIndex, QTextCursor::KeepAnchor);
    text_->setTextCursor(c);
  }
}

// ---- Look ----

void EditBoxUnit::ApplyColours() {
  QWidget* widget = Widget();
  if (widget == nullptr) return;
  const QColor text = control::ColourOrDefault(Property(ep::kTextColour).word, Qt::black);
  const QColor back = control::ColourOrDefault(Property(ep::kBackColour).word, control::kButtonFace);
  const bool hide = !focused_ && Property(ep::kHideSelection).word != 0;
  QPalette palette = widget->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Base, back);
    palette.setColor(group, QPalette::Window, back);
    palette.setColor(group, QPalette::Highlight, hide ? back : kHighlight);
    palette.setColor(group, QPalette::HighlightedText, hide ? text : kHighlightText);
  }
  palette.setColor(QPalette::Disabled, QPalette::Text, kGrayText);
  palette.setColor(QPalette::Disabled, QPalette::Base, control::kButtonFace);
  palette.setColor(QPalette::Disabled, QPalette::Window, control::kButtonFace);
  widget->setPalette(palette);
}

void EditBoxUnit::FocusChanged(bool focused) {
  focused_ = focused;
  if (Property(ep::kHideSelection).word != 0) ApplyColours();
}

void EditBoxUnit::ApplyBorder() {
  const int border = Property(ep::kBorder).word;
  if (line_ != nullptr) {
    AsLine(line_)->border_ = border;
    AsLine(line_)->Place();
  }
  if (text_ != nullptr) {
    AsText(text_)->border_ = border;
    AsText(text_)->Place();
  }
}

void EditBoxUnit::ApplyLayout() {
  const std::int32_t choice = Property(ep::kAlignment).word;
  const Qt::Alignment h = choice == 1 ? Qt::AlignHCenter : choice == 2 ? Qt::AlignRight : Qt::AlignLeft;
  if (line_ != nullptr) line_->setAlignment(h | Qt::AlignTop);  // a single line sits at the top
  if (text_ != nullptr) {
    const int bars = Property(ep::kScrollBars).word;
    const bool horizontal = bars == 1 || bars == 3;
    const bool vertical = bars == 2 || bars == 3;
    text_->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    text_->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // Lines wrap at the width unless the box scrolls sideways.
    text_->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    QTextOption option = text_->document()->defaultTextOption();
    option.setAlignment(h);
    text_->document()->setDefaultTextOption(option);
  }
}

void EditBoxUnit::ApplyInputMode() {
  const int mode = Property(ep::kInputMode).word;
  if (text_ != nullptr) {
    text_->setReadOnly(mode == 1);
    return;
  }
  if (line_ == nullptr) return;
  line_->setReadOnly(mode == 1);
  const QString mask = ToQString(Property(ep::kPasswordCharacter).bytes);
  if (mode == 2 && !mask.isEmpty()) {
    line_->setStyle(MaskStyleFor(mask.toUcs4().front()));
    line_->setEchoMode(QLineEdit::Password);
  } else {
    line_->setEchoMode(QLineEdit::Normal);
  }
  line_->update();
}

// ---- Entries ----

bool EditBoxUnit::Apply(int index) {
  if (Widget() == nullptr) return false;
  switch (index) {
    case ep::kContent: {
      SetWidgetText(Converted(control::ShownText(Property(ep::kContent).bytes)));
      lastText_ = WidgetText();
      control::FireFrom(Widget(), *this, 0);
      return false;
    }
    case ep::kBorder: ApplyBorder(); return false;
    case ep::kTextColour:
    case ep::kBackColour: ApplyColours(); return false;
    case ep::kFont:
      Widget()->setFont(ToQFont(Property(ep::kFont).bytes));
      ApplyBorder();  // the line's place depends on the font
      return false;
    case ep::kHideSelection:
    case ep::kMultiLine:
    case ep::kScrollBars:
    case ep::kAlignment:
    case ep::kCaseConversion:
    case ep::kSpinAdjuster: return true;  // a different native style: made again
    case ep::kInputMode:
    case ep::kPasswordCharacter: ApplyInputMode(); return false;
    case ep::kSelectionStart: {
      const std::int32_t start = Property(ep::kSelectionStart).word;
      const int at = start == -1 ? static_cast<int>(WidgetText().size()) : IndexOfByte(std::max(start, 0));
      Select(at, at);
      return false;
    }
    case ep::kSelectionLength: {
      const std::int32_t length = Property(ep::kSelectionLength).word;
      if (length == -1) {
        Select(0, static_cast<int>(WidgetText().size()));
        return false;
      }
      const int start = Selection().first;
      Select(start, IndexOfByte(Bytes(WidgetText().left(start)) + std::max(length, 0)));
      return false;
    }
    case ep::kSelectedText: {
      const QString replacement = control::ShownText(Property(ep::kSelectedText).bytes);
      if (line_ != nullptr) line_->insert(replacement);
      if (text_ != nullptr) text_->insertPlainText(Admit(replacement, 0));
      return false;
    }
    default: return false;
  }
}

std::optional<PropertyValue> EditBoxUnit::Read(int index) const {
  if (Widget() == nullptr) return Unit::Read(index);
  PropertyValue v;
  const auto [start, end] = Selection();
  const QString text = WidgetText();
  switch (index) {
    case ep::kContent: v.bytes = Content(); return v;
    case ep::kSelectionStart: v.word = Bytes(text.left(start)); return v;
    case ep::kSelectionLength: v.word = Bytes(text.mid(start, end - start)); return v;
    case ep::kSelectedText: {
      QString selected = text.mid(start, end - start);
      if (MultiLine()) selected.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
      v.bytes = ToGbk(selected);
      return v;
    }
    default: return Unit::Read(index);
  }
}

std::vector<std::uint8_t> EditBoxUnit::Save() const {
  std::vector<PropertyValue> properties = Properties();
  for (const int index : {static_cast<int>(ep::kContent), static_cast<int>(ep::kSelectionStart),
                          static_cast<int>(ep::kSelectionLength)}) {
    if (const std::optional<PropertyValue> v = Read(index)) properties.at(static_cast<std::size_t>(index - 8)) = *v;
  }
  return WriteStored(Layout(), properties);
}

bool EditBoxUnit::WantsKey(int virtualKey) const {
  const bool arrow = virtualKey == kVkUp || virtualKey == kVkDown || virtualKey == kVkLeft || virtualKey == kVkRight;
  if (MultiLine()) return virtualKey == kVkReturn || arrow;
  if (Property(ep::kSpinAdjuster).word != 0) return virtualKey == kVkUp || virtualKey == kVkDown;
  return false;
}

std::unique_ptr<Unit> CreateEditBox(const CreateArgs& args) {
  auto unit = std::make_unique<EditBoxUnit>(args);
  if (!control::ReadStoredProperties(*unit, args.stored)) return nullptr;
  unit->Build(args);
  return unit;
}

void RegisterEditBoxType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kEditBoxType), kStateWindowed, &CreateEditBox});
}

}  // namespace zorvel::forms
