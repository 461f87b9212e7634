// The program's numbered DLL commands: procedures of other libraries that handlers
// call by number. A command is bound on its first call: first in the table of the
// procedures the runtime itself provides (the platform procedures the program uses,
// implemented here), then in real shared objects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvel {

struct DllCommand {
  std::string file;       // GBK; empty: search the system libraries
  std::string procedure;  // name, or "#n" for ordinal n
};

// Declares the program's DLL commands (numbered from 0) and forgets earlier bindings.
void DeclareDllCommands(std::vector<DllCommand> commands);

// Adds a procedure the runtime provides under a library's name (matched ignoring
// ASCII case, as library names are).
void ProvideProcedure(std::string_view file, std::string_view procedure, void* address);

// The folder searched first for a library named without a path; empty by default.
void SetDllSearchFolder(std::string gbkFolder);

// The address of command number n, bound on the first call and kept. A procedure that
// cannot be found is the runtime error "无法找到指定DLL库文件“file”中的输出命令“procedure”"
// (without a file name: "无法找到指定DLL库文件中的输出命令“procedure”").
void* ResolveDllCommand(int number);

// Releases the libraries loaded for DLL commands and clears the tables (clean-up).
void ReleaseDllCommands();

// Calls command n with the procedure's own arguments, untouched.
template <class Result, class... Args>
Result CallDll(int number, Args... args) {
  using Procedure = Result (*)(Args...);
  return reinterpret_cast<Procedure>(ResolveDllCommand(number))(args...);
}

}  // namespace zorvel
