// Commands about the program and the system: the program folder, running programs,
// the registry.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "runtime/commands.h"
#include "runtime/program.h"
#include "runtime/run_program.h"
#include "text/files.h"
#include "text/gbk.h"

extern char** environ;

namespace zorvel {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  // The Windows rules: blanks separate arguments outside quotes; 2n backslashes before
  // a quote give n backslashes and the quote toggles quoting, 2n+1 give n backslashes
  // and a literal quote; other backslashes are themselves.
  std::vector<std::string> out;
  std::size_t i = 0;
  const std::size_t n = line.size();
  for (;;) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == '\\') ++slashes, ++i;
        if (i < n && line[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else if (static_cast<unsigned char>(line[i]) >= 0x81 && i + 1 < n) {
        // A GBK character stays whole, whatever its trail byte.
        arg.append(line.substr(i, 2));
        i += 2;
      } else {
        arg += line[i++];
      }
    }
    out.push_back(std::move(arg));
  }
  return out;
}

bool StartProgram(std::string_view gbkCommandLine, bool wait) {
  std::vector<std::string> words = SplitCommandLine(gbkCommandLine);
  if (words.empty()) return false;
  words[0] = NativePath(words[0]);
  for (std::size_t k = 1; k < words.size(); ++k) words[k] = gbk::ToUtf8(words[k]);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  if (wait) {
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
  }

  // Without waiting, the program is started by a short-lived middle process so that it
  // is not left behind as our child. A pipe closed on exec tells whether it started.
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  const pid_t middle = fork();
  if (middle < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (middle == 0) {
    close(pipeFds[0]);
    setsid();
    const pid_t child = fork();
    if (child == 0) {
      execvp(argv[0], argv.data());
      const int error = errno;
      (void)!write(pipeFds[1], &error, sizeof error);
      _exit(127);
    }
    if (child < 0) {
      const int error = errno;
      (void)!write(pipeFds[1], &error, sizeof error);
    }
    _exit(0);
  }
  close(pipeFds[1]);
  int status;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = read(pipeFds[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(pipeFds[0]);
  return got == 0;
}

namespace cmd {

void RunDirectory(TypedValue* result, int, const TypedValue*) {
  *result = TypedValue::Text(CopyText(zorvel::RunDirectory()));
}

void RunProgram(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  // The show mode (1 hidden … 6 minimised) has no meaning for a program started here;
  // it is read so that a bad argument type is still an error.
  (void)a.integer(2, 2);
  *result = TypedValue::Logical(StartProgram(a.textView(0), a.logical(1, false)));
}

void ReadRegistryText(TypedValue* result, int argc, const TypedValue* args) {
  const Arguments a(argc, args);
  registry::Root root;
  switch (a.integer(0)) {
    case 1: root = registry::Root::kClassesRoot; break;
    case 2: root = registry::Root::kCurrentConfig; break;
    case 4: root = registry::Root::kLocalMachine; break;
    case 5: root = registry::Root::kUsers; break;
    default: root = registry::Root::kCurrentUser; break;
  }
  // Key and value name split at the last backslash that is not a GBK trail byte.
  const std::string_view path = a.textView(1);
  std::size_t lastSlash = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (static_cast<unsigned char>(path[i]) >= 0x80) {
      ++i;
    } else if (path[i] == '\\') {
      lastSlash = i;
    }
  }
  const std::string_view key = lastSlash == std::string_view::npos ? std::string_view() : path.substr(0, lastSlash);
  const std::string_view name = lastSlash == std::string_view::npos ? path : path.substr(lastSlash + 1);
  if (auto value = registry::QueryString(root, key, name)) {
    *result = TypedValue::Text(CopyText(*value));
  } else if (a.present(2)) {
    *result = TypedValue::Text(CopyText(a.text(2)));
  }
}

}  // namespace cmd
}  // namespace zorvel
