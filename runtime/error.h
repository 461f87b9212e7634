// Runtime errors: one box, then the end of the program with exit code -1.
#pragma once

#include <string>

namespace zorvel {

// Called first with the running error count, the code and the message; a non-zero
// answer means the hook has told the user, and no box is shown.
using ErrorHook = int (*)(int errorCount, int code, const char* message);
void SetErrorHook(ErrorHook hook);

// Shows the error text (GBK) in a box with the caption "错误" and the error icon. The
// window system installs one; until then the text goes to standard error.
using ErrorBox = void (*)(const char* text, const char* caption);
void SetErrorBox(ErrorBox box);

// "运行时出错!\r\n\r\n" + "错误代码：N\r\n\r\n" (code not 0) + "错误信息：message\r\n"
// (message not empty), in GBK.
std::string RuntimeErrorText(const char* message, int code);

// Neither returns: the hook or the box, then the clean-up routine is forgotten and the
// program ends with exit code -1.
[[noreturn]] void RuntimeError(const char* message, int code = 0);
[[noreturn]] void RuntimeErrorByNumber(int n);

// The message of numbered error n (1 to 11), null for any other n.
const char* RuntimeErrorMessage(int n);

}  // namespace zorvel
