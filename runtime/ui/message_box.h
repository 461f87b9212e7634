// The MessageBox command: a QMessageBox built from the message-box flag values.
//
// MessageBox(content, flags, [caption]) -> integer: the pressed button, OK 0, Cancel 1,
// Abort 2, Retry 3, Ignore 4, Yes 5, No 6.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/commands.h"

namespace zorvel::cmd {

ZORVEL_COMMAND(MessageBox);

}  // namespace zorvel::cmd

namespace zorvel::ui {

// Button answers as the command returns them.
enum MessageBoxAnswer : int { kAnswerOk = 0, kAnswerCancel, kAnswerAbort, kAnswerRetry, kAnswerIgnore, kAnswerYes, kAnswerNo };

// Shows a message box (GBK text and caption, the platform's flag values) and gives the
// answer as the command does. Unless the system-modal flag is set, task-modal is added.
int ShowMessageBox(std::string_view gbkText, std::string_view gbkCaption, std::uint32_t flags);

// Runtime errors are shown in a message box from now on (a QApplication must exist).
void InstallRuntimeErrorBox();

// Test hook: queues an answer. While answers are queued, each MessageBox takes the
// first one instead of showing a box (the box is still described in the last request).
void QueueMessageBoxAnswer(int answer);
// Empties the queue and forgets the last request.
void ClearMessageBoxAnswers();

// Test hook for a program run by a driver with nobody at the screen: while on, every
// MessageBox is answered at once with its default button instead of showing a box, and
// is written to standard error as one line "zorvel: message box: CAPTION: TEXT" (UTF-8,
// line breaks as blanks). Queued answers still come first.
void SetMessageBoxesToStandardError(bool on);

// What the last MessageBox asked, shown or answered from the queue: text and caption
// in UTF-8, the flags as given.
struct MessageBoxRequest {
  std::string text;
  std::string caption;
  std::uint32_t flags = 0;
};
const MessageBoxRequest& LastMessageBoxRequest();

}  // namespace zorvel::ui
