#include "runtime/ui/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <cstdio>
#include <deque>
#include <vector>

#include "runtime/error.h"
#include "runtime/format.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel::ui {
namespace {

std::deque<int>& QueuedAnswers() {
  static std::deque<int> answers;
  return answers;
}

bool g_toStandardError = false;

MessageBoxRequest& LastRequest() {
  static MessageBoxRequest request;
  return request;
}

constexpr std::uint32_t kSystemModal = 0x1000;
constexpr std::uint32_t kTaskModal = 0x2000;
constexpr std::uint32_t kTopmost = 0x40000;
constexpr std::uint32_t kErrorIcon = 0x10;

// A button's answer and its text as a Chinese system labels it.
struct ButtonKind {
  int answer;
  const char* text;
};
constexpr ButtonKind kOk{kAnswerOk, "确定"};
constexpr ButtonKind kCancel{kAnswerCancel, "取消"};
constexpr ButtonKind kAbort{kAnswerAbort, "中止(&A)"};
constexpr ButtonKind kRetry{kAnswerRetry, "重试(&R)"};
constexpr ButtonKind kIgnore{kAnswerIgnore, "忽略(&I)"};
constexpr ButtonKind kYes{kAnswerYes, "是(&Y)"};
constexpr ButtonKind kNo{kAnswerNo, "否(&N)"};

// The buttons of the low four flag bits, left to right. An unknown set shows OK.
std::vector<ButtonKind> ButtonSet(std::uint32_t flags) {
  switch (flags & 0xF) {
    case 1: return {kOk, kCancel};
    case 2: return {kAbort, kRetry, kIgnore};
    case 3: return {kYes, kNo, kCancel};
    case 4: return {kYes, kNo};
    case 5: return {kRetry, kCancel};
    default: return {kOk};
  }
}

QMessageBox::Icon IconOf(std::uint32_t flags) {
  switch (flags & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ShowBox(const QString& text, const QString& caption, std::uint32_t flags) {
  QMessageBox box;
  box.setWindowTitle(caption);
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.setIcon(IconOf(flags));
  // The box has no owner: either modality blocks the whole program.
  box.setWindowModality(Qt::ApplicationModal);
  if (flags & kTopmost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);

  // All buttons share one role so the box lays them out in the order added and picks
  // no escape button of its own: Esc and the close box answer Cancel where there is
  // one, else OK, and do nothing in the Yes/No and Abort/Retry/Ignore boxes.
  const std::vector<ButtonKind> kinds = ButtonSet(flags);
  std::vector<QPushButton*> buttons;
  QPushButton* escape = nullptr;
  int escapeAnswer = kinds[0].answer;
  for (const ButtonKind& kind : kinds) {
    QPushButton* button = box.addButton(QString::fromUtf8(kind.text), QMessageBox::ActionRole);
    buttons.push_back(button);
    if (kind.answer == kAnswerCancel || (kind.answer == kAnswerOk && !escape)) {
      escape = button;
      escapeAnswer = kind.answer;
    }
  }
  if (escape) box.setEscapeButton(escape);
  else box.setWindowFlag(Qt::WindowCloseButtonHint, false);
  // The default button by its position; past the last one it is the first.
  const std::size_t defaultIndex = (flags >> 8) & 3;
  box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);

  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (box.clickedButton() == buttons[i]) return kinds[i].answer;
  // Closed without a button (the close box): the escape answer.
  return escapeAnswer;
}

}  // namespace

int ShowMessageBox(std::string_view gbkText, std::string_view gbkCaption, std::uint32_t flags) {
  const std::string text = gbk::ToUtf8(gbkText);
  const std::string caption = gbk::ToUtf8(gbkCaption);
  if (!(flags & kSystemModal)) flags |= kTaskModal;
  LastRequest() = {text, caption, flags};
  if (!QueuedAnswers().empty()) {
    const int answer = QueuedAnswers().front();
    QueuedAnswers().pop_front();
    return answer;
  }
  if (g_toStandardError) {
    std::string line = "zorvel: message box: " + caption + ": " + text;
    for (char& c : line) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    const std::vector<ButtonKind> kinds = ButtonSet(flags);
    const std::size_t defaultIndex = (flags >> 8) & 3;
    return kinds[defaultIndex < kinds.size() ? defaultIndex : 0].answer;
  }
  // Line breaks arrive as CR LF; the label breaks on LF alone.
  QString shown = QString::fromStdString(text);
  shown.remove(QLatin1Char('\r'));
  return ShowBox(shown, QString::fromStdString(caption), flags);
}

namespace {
// The runtime-error box: no owner, caption and text as the runtime gives them, the
// error icon, OK only.
void ShowRuntimeErrorBox(const char* text, const char* caption) {
  ShowMessageBox(text ? text : "", caption ? caption : "", kErrorIcon);
}
}  // namespace

void InstallRuntimeErrorBox() { SetErrorBox(ShowRuntimeErrorBox); }

void SetMessageBoxesToStandardError(bool on) { g_toStandardError = on; }
void QueueMessageBoxAnswer(int answer) { QueuedAnswers().push_back(answer); }
void ClearMessageBoxAnswers() {
  QueuedAnswers().clear();
  LastRequest() = {};
}
const MessageBoxRequest& LastMessageBoxRequest() { return LastRequest(); }

}  // namespace zorvel::ui

namespace zorvel::cmd {
using namespace zorvel::literals;

ZORVEL_COMMAND(MessageBox) {
  const Arguments a(argc, args);
  const std::string text = a.present(0) ? FormatValueString(a[0]) : std::string();
  const std::string caption = a.present(2) ? std::string(a.textView(2)) : std::string("信息："_gbk);
  *result = TypedValue::Integer(ui::ShowMessageBox(text, caption, static_cast<std::uint32_t>(a.integer(1))));
}

}  // namespace zorvel::cmd
