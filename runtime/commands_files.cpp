// File and INI-file commands. Every file name goes through the file layer.
#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "platform/profile/profile.h"
#include "runtime/commands.h"
#include "text/files.h"

namespace zorvel::cmd {

namespace {

// The INI commands skip leading blanks and control characters in names.
std::string_view SkipLeadingBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  return s;
}

}  // namespace

void ReadFile(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const std::string_view name = a.textView(0);
  std::string contents;
  if (name.empty() || !ReadWholeFile(NativePath(name), contents)) return;
  *result = TypedValue::ByteSet(MakeByteSet(contents));
}

void WriteFile(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  *result = TypedValue::Logical(false);
  const std::string_view name = a.textView(0);
  if (name.empty()) return;
  const int fd = open(NativePath(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return;
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) ok = WriteAll(fd, a.bytes(i));
  // A write that did not reach the file is a failure, not a success.
  ok = close(fd) == 0 && ok;
  *result = TypedValue::Logical(ok);
}

void CopyFile(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const std::string_view source = a.textView(0), target = a.textView(1);
  *result = TypedValue::Logical(!source.empty() && !target.empty() &&
                                CopyFileAtomically(NativePath(source), NativePath(target)));
}

void DeleteFile(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const std::string_view name = a.textView(0);
  *result = TypedValue::Logical(!name.empty() && unlink(NativePath(name).c_str()) == 0);
}

void ReadIniItem(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const std::string_view file = SkipLeadingBlanks(a.textView(0));
  const std::string_view section = SkipLeadingBlanks(a.textView(1));
  const std::string_view key = SkipLeadingBlanks(a.textView(2));
  // Any of the three empty: the empty text, without looking at the file or the default.
  if (file.empty() || section.empty() || key.empty()) return;
  const std::string value = profile::ReadString(NativePath(file), section, key, a.textView(3), 10240);
  *result = TypedValue::Text(CopyText(value));
}

void WriteIniItem(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  const std::string_view file = a.textView(0);
  std::optional<std::string_view> key, value;
  if (a.present(2)) key = a.textView(2);
  if (a.present(3)) value = a.textView(3);
  *result = TypedValue::Logical(!file.empty() && profile::WriteString(NativePath(file), a.textView(1), key, value));
}

}  // namespace zorvel::cmd
