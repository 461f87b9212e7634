// Running other programs from tests: a command line through the shell with what it
// printed, quoting for the shell, and ImageMagick, which writes the files some tests
// compare against.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/temp_folder.h"

extern char** environ;

namespace zorvel::test {

// Runs a command line with /bin/sh; gives its exit status, or -1 when it could not be
// started or did not exit by itself. What it writes to standard output and standard
// error, together, goes to *output when given.
inline int RunCommand(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  const int status = pclose(pipe);
  if (output != nullptr) *output = std::move(text);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program run with its arguments (no shell), in the working folder cwd when given: its
// exit status (-1 when it did not exit by itself) and what it wrote to standard output
// and standard error, kept apart, in files of the run's own.
struct ProgramOutcome {
  int status = -1;
  std::string out, err;
};
inline ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& cwd = "") {
  const TempFolder outputs("zorvel-program-output");
  const std::string outPath = outputs / "stdout", errPath = outputs / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ProgramOutcome outcome;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = ReadBytes(outPath);
  outcome.err = ReadBytes(errPath);
  return outcome;
}

// A word for the shell, in single quotes (an embedded quote as '\'').
inline std::string ShellQuote(std::string_view word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// ImageMagick's command-line program ("magick", else the older "convert"), or "" when
// it is not installed.
inline std::string ImageMagick() {
  for (const char* program : {"magick", "convert"}) {
    std::string said;
    if (RunCommand(std::string(program) + " -version", &said) == 0 &&
        said.substr(0, said.find('\n')).find("ImageMagick") != std::string::npos) {
      return program;
    }
  }
  return "";
}

}  // namespace zorvel::test
