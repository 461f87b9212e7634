// zorvel-ini: reads and edits the program's profile files (config.a, jieguo.a) from a
// terminal, with exactly the rules the program itself uses.
//
//   zorvel-ini get FILE SECTION KEY [DEFAULT]   prints the value and a newline
//   zorvel-ini set FILE SECTION KEY VALUE
//   zorvel-ini delete FILE SECTION [KEY]        removes the key, or the whole section
//
// Each takes --folder DIR first: a FILE that is no absolute path is then found in the
// program folder DIR (zorvel-ini --folder ~/.local/share/zorvel get config.a zbt lx).
// `get` reads as the program does: blanks and control characters at the start of SECTION
// and KEY are skipped, and when either is then empty the answer is the empty text, not
// the default.
// Arguments and output are UTF-8; the file holds GBK. Without --folder, FILE is a native
// path used as it is. Exit status: 0 done, 1 the write failed, 2 bad usage.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/profile.h"
#include "text/gbk.h"

namespace {

constexpr const char* kUsage =
    "usage: zorvel-ini [--folder DIR] get FILE SECTION KEY [DEFAULT] | set FILE SECTION KEY VALUE | delete FILE "
    "SECTION [KEY]";

// One line on stderr: the reason, when there is one, and the usage.
int BadUsage(const std::string& why = {}) {
  if (why.empty()) std::fprintf(stderr, "%s\n", kUsage);
  else std::fprintf(stderr, "zorvel-ini: %s; %s\n", why.c_str(), kUsage);
  return 2;
}

// A name as the program's read takes it: without the bytes of 0x20 or below it starts with.
std::string_view SkipLeadingBlanks(std::string_view name) {
  while (!name.empty() && static_cast<unsigned char>(name.front()) <= 0x20) name.remove_prefix(1);
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string folder;
  if (!args.empty() && (args[0] == "--folder" || args[0].starts_with("--folder="))) {
    if (args[0] == "--folder") {
      if (args.size() < 2 || args[1].empty()) return BadUsage("--folder needs a folder");
      folder = std::string(args[1]);
      args.erase(args.begin(), args.begin() + 2);
    } else {
      folder = std::string(args[0].substr(std::string_view("--folder=").size()));
      if (folder.empty()) return BadUsage("--folder needs a folder");
      args.erase(args.begin());
    }
    if (!std::filesystem::is_directory(folder)) return BadUsage("not a folder: " + folder);
  }
  if (args.empty()) return BadUsage();
  const std::string_view command = args[0];
  const std::size_t operands = args.size() - 1;
  bool fits = false;
  if (command == "get") fits = operands == 3 || operands == 4;
  else if (command == "set") fits = operands == 4;
  else if (command == "delete") fits = operands == 2 || operands == 3;
  else return BadUsage("unknown command '" + std::string(command) + "'");
  if (!fits) return BadUsage("wrong number of arguments for " + std::string(command));

  std::string path(args[1]);
  if (!folder.empty() && !path.empty() && path.front() != '/') path = (std::filesystem::path(folder) / path).string();
  // SECTION, KEY and VALUE or DEFAULT, as GBK; a character GBK has no code for is
  // written as the program writes it, as an escape that reads back as itself.
  std::vector<std::string> texts;
  for (std::size_t i = 2; i < args.size(); ++i) texts.push_back(zorvel::gbk::FromUtf8(args[i]));

  if (command == "get") {
    const std::string_view section = SkipLeadingBlanks(texts[0]), key = SkipLeadingBlanks(texts[1]);
    const std::string value = section.empty() || key.empty()
                                  ? std::string()
                                  : zorvel::profile::ReadString(path, section, key, texts.size() > 2 ? texts[2] : "");
    const std::string out = zorvel::gbk::ToUtf8(value) + "\n";
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
  }

  std::optional<std::string_view> key, value;
  if (texts.size() > 1) key = texts[1];
  if (command == "set") value = texts[2];
  if (const char* problem = zorvel::profile::EditProblem(texts[0], key, value)) return BadUsage(problem);
  if (!zorvel::profile::WriteString(path, texts[0], key, value)) {
    std::fprintf(stderr, "zorvel-ini: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
