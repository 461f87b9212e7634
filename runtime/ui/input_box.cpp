#include "runtime/ui/input_box.h"

#include <QDialog>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <deque>

#include "runtime/memory.h"
#include "runtime/numbers.h"
#include "runtime/text.h"
#include "text/gbk.h"

namespace zorvel::ui {
namespace {

std::deque<std::optional<std::string>>& QueuedAnswers() {
  static std::deque<std::optional<std::string>> answers;
  return answers;
}

// Dialog units of 宋体 9 pt at 96 dpi: the average character is 6 x 12 pixels, one
// horizontal unit a quarter of the width, one vertical unit an eighth of the height,
// both 1.5 pixels. Pixels are rounded half away from zero, as the unit mapping does.
int Du(int units) { return (units * 3 + 1) / 2; }
QRect DuRect(int x, int y, int w, int h) { return {Du(x), Du(y), Du(w), Du(h)}; }

enum Mode { kAnyText = 1, kDigits = 2, kDecimal = 3, kPassword = 4 };

// Refuses typed characters the mode does not allow; control characters always pass.
// Only typing is filtered: pasted text goes in as it is.
class TypingFilter : public QObject {
 public:
  TypingFilter(Mode mode, QObject* parent) : QObject(parent), mode_(mode) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const QString typed = static_cast<QKeyEvent*>(event)->text();
      for (const QChar c : typed)
        if (c.unicode() >= 32 && !Allowed(c)) return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool Allowed(QChar c) const {
    if (c == QLatin1Char('-') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) return true;
    return mode_ == kDecimal && c == QLatin1Char('.');
  }
  Mode mode_;
};

// Shows the dialog; the entered text (UTF-8) on confirm, nullopt on cancel.
std::optional<std::string> ShowDialog(const QString& prompt, const QString& title, const QString& initial, Mode mode) {
  QDialog dialog;
  dialog.setWindowTitle(title);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  QFont font(QStringLiteral("宋体"));
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC")});
  font.setPointSize(9);
  dialog.setFont(font);

  const bool withPrompt = !prompt.isEmpty();
  dialog.setFixedSize(withPrompt ? QSize(Du(252), Du(92)) : QSize(Du(214), Du(56)));
  if (withPrompt) {
    auto* label = new QLabel(prompt, &dialog);
    label->setObjectName(QStringLiteral("prompt"));
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setGeometry(DuRect(7, 7, 238, 35));
  }
  auto* entry = new QLineEdit(initial, &dialog);
  entry->setObjectName(QStringLiteral("entry"));
  entry->setGeometry(withPrompt ? DuRect(7, 45, 238, 12) : DuRect(7, 7, 200, 12));
  if (mode == kPassword) entry->setEchoMode(QLineEdit::Password);
  if (mode == kDigits || mode == kDecimal) entry->installEventFilter(new TypingFilter(mode, entry));
  entry->selectAll();

  auto* confirm = new QPushButton(QStringLiteral("确认输入(&O)"), &dialog);
  confirm->setObjectName(QStringLiteral("confirm"));
  confirm->setGeometry(withPrompt ? DuRect(63, 66, 55, 19) : DuRect(82, 30, 55, 19));
  confirm->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), &dialog);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setGeometry(withPrompt ? DuRect(134, 66, 55, 19) : DuRect(151, 30, 55, 19));
  QObject::connect(confirm, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  entry->setFocus();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return entry->text().toStdString();
}

// Stores a confirmed GBK text into the variable by the variable's type; other types
// are left as they are.
void Store(void* variable, std::uint32_t valueType, const std::string& text) {
  switch (valueType) {
    case type::kText: {
      char** slot = static_cast<char**>(variable);
      char* fresh = CopyText(std::string_view(text));
      Free(*slot);
      *slot = fresh;
      break;
    }
    case type::kByte: *static_cast<std::uint8_t*>(variable) = static_cast<std::uint8_t>(ReadDecimalInteger(text)); break;
    case type::kShort: *static_cast<std::int16_t*>(variable) = static_cast<std::int16_t>(ReadDecimalInteger(text)); break;
    case type::kInteger: *static_cast<std::int32_t*>(variable) = ReadDecimalInteger(text); break;
    case type::kLong: *static_cast<std::int64_t*>(variable) = ReadDecimalLong(text); break;
    case type::kFloat: *static_cast<float*>(variable) = static_cast<float>(ReadDecimalNumber(text)); break;
    case type::kDouble: *static_cast<double*>(variable) = ReadDecimalNumber(text); break;
    default: break;
  }
}

}  // namespace

InputBoxRequest& LastRequest() {
  static InputBoxRequest request;
  return request;
}

void QueueInputBoxAnswer(std::optional<std::string> answer) { QueuedAnswers().push_back(std::move(answer)); }
void ClearInputBoxAnswers() {
  QueuedAnswers().clear();
  LastRequest() = {};
}
const InputBoxRequest& LastInputBoxRequest() { return LastRequest(); }

}  // namespace zorvel::ui

namespace zorvel::cmd {

ZORVEL_COMMAND(InputBox) {
  const Arguments a(argc, args);
  const std::string title = gbk::ToUtf8(a.textView(1));
  const int mode = std::clamp(a.integer(4, 1), 1, 4);
  std::uint32_t valueType = 0;
  void* variable = a.variable(3, &valueType);

  ui::LastRequest() = {gbk::ToUtf8(a.textView(0)), title, gbk::ToUtf8(a.textView(2)), mode, true};
  std::optional<std::string> answer;
  if (!ui::QueuedAnswers().empty()) {
    answer = std::move(ui::QueuedAnswers().front());
    ui::QueuedAnswers().pop_front();
  } else {
    answer = ui::ShowDialog(QString::fromStdString(gbk::ToUtf8(a.textView(0))),
                            title.empty() ? QStringLiteral("请输入：") : QString::fromStdString(title),
                            QString::fromStdString(gbk::ToUtf8(a.textView(2))), static_cast<ui::Mode>(mode));
  }
  if (answer && variable) ui::Store(variable, valueType, gbk::FromUtf8(*answer));
  *result = TypedValue::Logical(answer.has_value());
}

}  // namespace zorvel::cmd
