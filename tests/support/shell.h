// Running other programs from tests: a command line through the shell with what it
// printed, quoting for the shell, and ImageMagick, which writes the files some tests
// compare against.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

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
