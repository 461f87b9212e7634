// The MessageBox command: a QMessageBox built from the message-box flag values.
//
// MessageBox(content, flags, [caption]) -> integer: the pressed button, OK 0, Cancel 1,
// Abort 2, Retry 3, Ignore 4, Yes 5, No 6.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/commands.h"

namespace zorvel::cmd {

ZORVEL_COMMAND(MessageBox);

}  // namespace zorvel::cmd

namespace zorvel::ui {

// Button answers as the command returns them.
enum MessageBoxAnswer : int { kAnswerOk = 0, kAnswerCancel, kAnswerAbort, kAnswerRetry, kAnswerIgnore, kAnswerYes, kAnswerNo };

// Test hook: queues an answer. While answers are queued, each MessageBox takes the
// first one instead of showing a box (the box is still described in the last request).
void QueueMessageBoxAnswer(int answer);
void ClearMessageBoxAnswers();

// What the last MessageBox asked, shown or answered from the queue: text and caption
// in UTF-8, the flags as given.
struct MessageBoxRequest {
  std::string text;
  std::string caption;
  std::uint32_t flags = 0;
};
const MessageBoxRequest& LastMessageBoxRequest();

}  // namespace zorvel::ui
