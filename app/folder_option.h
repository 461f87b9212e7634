// The program folder given on the command line: `--folder DIR` (or `--folder=DIR`) puts
// DIR in the executable's folder's place, so that an installed program keeps each user's
// files in a folder of their own. Without the option the folder stays the executable's.
#pragma once

#include <optional>
#include <string>

namespace zorvel::app {

struct FolderOption {
  std::optional<std::string> folder;  // the DIR given (UTF-8, as typed), or none
  std::string error;                  // why the command line is refused; empty when it is not
};

// Finds the option in argv and takes it out (argc shrinks), so that the rest goes to the
// application as before. A second --folder or one without a value is an error.
FolderOption TakeFolderOption(int& argc, char** argv);

// Makes DIR the program folder: creates it with its parents when missing, checks that it
// is a folder the program can write in, and returns its absolute path without a trailing
// separator. Empty with *error set when it cannot be used.
std::string PrepareProgramFolder(const std::string& dir, std::string* error);

}  // namespace zorvel::app
