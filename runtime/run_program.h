// Starting other programs from a command line in the Windows form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvel {

// Splits a command line into its words by the Windows quoting rules.
std::vector<std::string> SplitCommandLine(std::string_view gbkCommandLine);

// Starts the program the command line names (its first word goes through the file
// layer; the other words are passed as UTF-8). With wait, returns when it has ended.
// False when it could not be started.
bool StartProgram(std::string_view gbkCommandLine, bool wait);

}  // namespace zorvel
