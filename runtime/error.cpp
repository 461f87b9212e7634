#include "runtime/error.h"

#include <cstdio>
#include <string>

#include "runtime/program.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel {
using namespace literals;

namespace {

ErrorHook g_hook = nullptr;
bool g_hookRunning = false;
int g_errorCount = 0;

void ShowOnStandardError(const char* text, const char* caption) {
  std::fprintf(stderr, "[%s] %s\n", gbk::ToUtf8(caption).c_str(), gbk::ToUtf8(text).c_str());
  std::fflush(stderr);
}

ErrorBox g_box = ShowOnStandardError;

}  // namespace

void SetErrorHook(ErrorHook hook) { g_hook = hook; }
void SetErrorBox(ErrorBox box) { g_box = box ? box : ShowOnStandardError; }

std::string RuntimeErrorText(const char* message, int code) {
  std::string text = "运行时出错!\r\n\r\n"_gbk;
  if (code != 0) text += "错误代码："_gbk + std::to_string(code) + "\r\n\r\n";
  if (message && *message) text += "错误信息："_gbk + std::string(message) + "\r\n";
  return text;
}

void RuntimeError(const char* message, int code) {
  ++g_errorCount;
  bool told = false;
  if (g_hook && !g_hookRunning) {
    g_hookRunning = true;
    told = g_hook(g_errorCount, code, message) != 0;
    g_hookRunning = false;
  }
  if (!told) g_box(RuntimeErrorText(message, code).c_str(), "错误"_gbk);
  ForgetCleanupRoutine();
  EndProgram(-1);
}

const char* RuntimeErrorMessage(int n) {
  static const char* const kMessages[] = {
      "数组成员引用下标超出定义范围"_gbk,
      "未得到所需要的数值型数据"_gbk,
      "引用数组成员时维数不为1且不等于该数组目前所具有的维数"_gbk,
      "数组成员引用下标必须大于等于1"_gbk,
      "数据或数组类型不匹配"_gbk,
      "调用DLL命令后发现堆栈错误"_gbk,
      "子语句参数未返回数据或者返回了非系统基本类型或数组型数据"_gbk,
      "被比较数据只能使用等于或不等于命令比较"_gbk,
      "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围"_gbk,
      "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零"_gbk,
      "所提供参数的数据类型不符合要求"_gbk,
  };
  return n >= 1 && n <= 11 ? kMessages[n - 1] : nullptr;
}

void RuntimeErrorByNumber(int n) { RuntimeError(RuntimeErrorMessage(n), n); }

}  // namespace zorvel
