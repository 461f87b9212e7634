#include "runtime/dll.h"

#include <dlfcn.h>

#include <map>

#include "runtime/error.h"
#include "runtime/program.h"
#include "runtime/text.h"
#include "text/files.h"
#include "text/gbk_literal.h"

namespace zorvel {
using namespace literals;

namespace {

std::string FoldCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

struct Slot {
  DllCommand declared;
  void* module = nullptr;   // a shared object loaded for it
  void* address = nullptr;  // resolved on the first call
};

struct DllTables {
  std::vector<Slot> slots;
  std::map<std::pair<std::string, std::string>, void*> provided;  // (folded file, procedure)
  std::string searchFolder;
};

DllTables& Tables() {
  static DllTables tables;
  return tables;
}

// A library named without an extension is its ".dll" file, as the platform loads it.
std::string LibraryKey(std::string_view file) {
  std::string key = FoldCase(file);
  const std::size_t slash = key.find_last_of("\\/");
  if (key.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) key += ".dll";
  return key;
}

void* Provided(const std::string& file, const std::string& procedure) {
  const auto& provided = Tables().provided;
  const auto it = provided.find({LibraryKey(file), procedure});
  return it == provided.end() ? nullptr : it->second;
}

// A shared object by the rules for a library name: with a colon, exactly that path;
// otherwise the search folder, the program folder, then the system's own search.
void* LoadLibrary(const std::string& gbkFile) {
  std::vector<std::string> candidates;
  if (gbkFile.find(':') != std::string::npos) {
    candidates.push_back(NativePath(gbkFile));
  } else {
    if (!Tables().searchFolder.empty()) candidates.push_back(NativePath(Tables().searchFolder + "\\" + gbkFile));
    candidates.push_back(NativePath(std::string(RunDirectory()) + "\\" + gbkFile));
    candidates.push_back(NativePath(gbkFile));
  }
  for (const auto& path : candidates)
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
  return nullptr;
}

}  // namespace

void DeclareDllCommands(std::vector<DllCommand> commands) {
  ReleaseDllCommands();
  for (auto& c : commands) Tables().slots.push_back(Slot{std::move(c)});
}

void ProvideProcedure(std::string_view file, std::string_view procedure, void* address) {
  Tables().provided[{LibraryKey(file), std::string(procedure)}] = address;
}

void SetDllSearchFolder(std::string gbkFolder) { Tables().searchFolder = std::move(gbkFolder); }

void* ResolveDllCommand(int number) {
  auto& slots = Tables().slots;
  if (number < 0 || static_cast<std::size_t>(number) >= slots.size())
    RuntimeError(RuntimeErrorMessage(6), 6);
  Slot& slot = slots[static_cast<std::size_t>(number)];
  if (slot.address) return slot.address;
  const std::string& file = slot.declared.file;
  const std::string& procedure = slot.declared.procedure;

  if (file.empty()) {
    // The system libraries in their fixed order; the first that has the procedure wins.
    for (const char* system : {"Kernel32.dll", "Gdi32.dll", "User32.dll", "Advapi32.dll", "Mpr.dll"})
      if ((slot.address = Provided(system, procedure))) break;
  } else if ((slot.address = Provided(file, procedure)) == nullptr) {
    // A name "#n" asks for ordinal n, which shared objects here do not export.
    if (procedure.empty() || procedure[0] != '#') {
      if ((slot.module = LoadLibrary(file))) {
        slot.address = dlsym(slot.module, procedure.c_str());
        if (!slot.address) {
          dlclose(slot.module);
          slot.module = nullptr;
        }
      }
    }
  }
  if (slot.address) return slot.address;
  char* message = file.empty()
                      ? ConcatTexts({"无法找到指定DLL库文件中的输出命令“"_gbk, procedure.c_str(), "”"_gbk})
                      : ConcatTexts({"无法找到指定DLL库文件“"_gbk, file.c_str(), "”中的输出命令“"_gbk,
                                     procedure.c_str(), "”"_gbk});
  RuntimeError(message);
}

void ReleaseDllCommands() {
  for (Slot& slot : Tables().slots)
    if (slot.module) dlclose(slot.module);
  Tables().slots.clear();
}

}  // namespace zorvel
