// The InputBox command: a modal dialog with an optional prompt, one entry line and the
// buttons "确认输入(&O)" and "取消(&C)", laid out in dialog units of the 宋体 9 pt font.
//
// InputBox([prompt], [title], [initial], variable, [mode 1-4]) -> logical: true when
// confirmed, the entered text then stored into the variable by its type.
//
// The dialog's parts carry object names for tests: "prompt" (QLabel, only with a
// prompt), "entry" (QLineEdit), "confirm" and "cancel" (QPushButton).
#pragma once

#include <optional>
#include <string>

#include "runtime/commands.h"

namespace zorvel::cmd {

ZORVEL_COMMAND(InputBox);

}  // namespace zorvel::cmd

namespace zorvel::ui {

// Test hook: queues an answer. While answers are queued, each InputBox takes the first
// one instead of showing the dialog: a UTF-8 text is confirmed as if typed (the input
// mode does not filter it), nullopt cancels.
void QueueInputBoxAnswer(std::optional<std::string> answer);
// Empties the queue and forgets the last request.
void ClearInputBoxAnswers();

// What the last InputBox asked, shown or answered from the queue (UTF-8).
struct InputBoxRequest {
  std::string prompt, title, initial;
  int mode = 0;
  bool asked = false;
};
const InputBoxRequest& LastInputBoxRequest();

}  // namespace zorvel::ui
