// zorvel-formc: the form compiler. Reads the form sources (one window each, see
// resources/forms/FORMAT.md) in the order given and writes the form-data block they make
// as a C++ source that embeds it (forms/embedded.h), and optionally as the raw block.
//
//   zorvel-formc --handlers FILE [--search DIR]... --output-cpp FILE [--output-block FILE]
//                [--output-ids FILE] [--depfile FILE] SOURCE...
//
// With --output-ids it also writes the table of named units the program's code uses: for
// each window (a namespace named after the window's short name) its own unit kWindow and
// every unit and menu item that has a `name` line, as k + that name.
//
// `file` names in a source are looked up beside the source, then in each --search folder.
// With --depfile, the files read are listed for the build system in make syntax. Exit
// status: 0 done, 1 an error in the input or a file that cannot be read or written (one
// "file:line: message" on stderr), 2 bad usage.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_data.h"
#include "forms/form_writer.h"
#include "text/gbk.h"
#include "tools/formc/form_source.h"

namespace {

namespace fs = std::filesystem;
using zorvel::forms::FormSource;
using zorvel::forms::SourceError;

constexpr const char* kUsage =
    "usage: zorvel-formc --handlers FILE [--search DIR]... --output-cpp FILE [--output-block FILE] "
    "[--output-ids FILE] [--depfile FILE] SOURCE...";

int BadUsage(const std::string& why) {
  std::fprintf(stderr, "zorvel-formc: %s\n%s\n", why.c_str(), kUsage);
  return 2;
}

int Error(const std::string& text) {
  std::fprintf(stderr, "zorvel-formc: %s\n", text.c_str());
  return 1;
}

std::optional<std::string> ReadFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Writes beside the target and renames over it, so that a failed run leaves no half file.
bool WriteFile(const fs::path& path, std::string_view bytes) {
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (ec) fs::remove(temporary, ec);
  return !ec;
}

// The C++ source that embeds the block: one constant array, 32 decimal bytes a line
// (quick to compile even for a block of a few hundred kilobytes), and the handler names.
std::string EmbeddingSource(const std::vector<std::uint8_t>& block, const std::vector<std::string>& handlers,
                            const std::vector<std::string>& sources) {
  std::string out;
  out.reserve(block.size() * 4 + 4096);
  out += "// Made by zorvel-formc from the form sources below; edit those, not this file.\n";
  for (const std::string& s : sources) out += "//   " + s + "\n";
  out += "#include \"forms/embedded.h\"\n\nnamespace zorvel::forms {\n\n";
  out += "alignas(16) static const unsigned char kFormData[" + std::to_string(block.size()) + "] = {\n";
  for (std::size_t i = 0; i < block.size(); ++i) {
    out += std::to_string(block[i]);
    out += ',';
    if (i % 32 == 31 || i + 1 == block.size()) out += '\n';
  }
  out += "};\n\n";
  if (handlers.empty()) {
    out += "std::span<const std::string_view> EmbeddedHandlerNames() { return {}; }\n\n";
  } else {
    out += "static constexpr std::string_view kHandlerNames[] = {\n";
    for (const std::string& h : handlers) out += "    \"" + h + "\",\n";
    out += "};\n\nstd::span<const std::string_view> EmbeddedHandlerNames() { return kHandlerNames; }\n\n";
  }
  out += "std::span<const std::uint8_t> EmbeddedFormData() { return {kFormData, sizeof kFormData}; }\n\n";
  out += "}  // namespace zorvel::forms\n";
  return out;
}

std::string Hex32(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08xu", v);
  return text;
}

// The window's short name as a C++ namespace: every character but a letter or digit
// becomes '_'.
std::string NamespaceOf(const std::string& name) {
  std::string out;
  for (const char c : name) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0]))) out.insert(0, "window_");
  return out;
}

// The header of named units (see the top of this file).
std::string IdsHeader(const std::vector<FormSource>& sources) {
  std::string out;
  out += "// Made by zorvel-formc from the form sources; edit those, not this file.\n";
  out += "// The program's windows, units and menu items by the names the sources give them.\n";
  out += "#pragma once\n\n#include <cstdint>\n\nnamespace zorvel::ids {\n\n";
  out += "// A unit (a window's own unit included): its window, its id and its type code.\n";
  out += "struct UnitName {\n  std::uint32_t window;\n  std::uint32_t id;\n  std::uint32_t type;\n};\n";
  out += "// A menu item of a window.\n";
  out += "struct MenuName {\n  std::uint32_t window;\n  std::uint32_t id;\n};\n";
  for (const FormSource& s : sources) {
    const zorvel::forms::WindowDescription& w = s.window;
    out += "\n// " + fs::path(s.file).filename().string() + "\nnamespace " + NamespaceOf(s.name) + " {\n";
    if (!w.units.empty())
      out += "inline constexpr UnitName kWindow{" + Hex32(w.id) + ", " + Hex32(w.units[0].id) + ", " +
             Hex32(w.units[0].type) + "};\n";
    for (std::size_t i = 0; i < w.units.size() && i < s.unitNames.size(); ++i) {
      if (s.unitNames[i].empty()) continue;
      const zorvel::forms::UnitDescription& u = w.units[i];
      const std::string shown = zorvel::gbk::ToUtf8(u.type == 0x00010003 ? u.caption : u.name);
      if (u.type == 0x00010003) {
        out += "inline constexpr MenuName k" + s.unitNames[i] + "{" + Hex32(w.id) + ", " + Hex32(u.id) + "};";
      } else {
        out += "inline constexpr UnitName k" + s.unitNames[i] + "{" + Hex32(w.id) + ", " + Hex32(u.id) + ", " +
               Hex32(u.type) + "};";
      }
      out += shown.empty() ? "\n" : "  // " + shown + "\n";
    }
    out += "}  // namespace " + NamespaceOf(s.name) + "\n";
  }
  out += "\n}  // namespace zorvel::ids\n";
  return out;
}

// A path in make's syntax: blanks and # escaped.
std::string MakePath(const std::string& path) {
  std::string out;
  for (const char c : path) {
    if (c == ' ' || c == '#' || c == '\\') out += '\\';
    if (c == '$') out += '$';
    out += c;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> handlersFile, outputCpp, outputBlock, outputIds, depfile;
  std::vector<fs::path> searchFolders;
  std::vector<std::string> sourceFiles;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (arg == "--handlers") {
      if (!value(handlersFile)) return BadUsage("--handlers needs a file");
    } else if (arg == "--output-cpp") {
      if (!value(outputCpp)) return BadUsage("--output-cpp needs a file");
    } else if (arg == "--output-block") {
      if (!value(outputBlock)) return BadUsage("--output-block needs a file");
    } else if (arg == "--output-ids") {
      if (!value(outputIds)) return BadUsage("--output-ids needs a file");
    } else if (arg == "--depfile") {
      if (!value(depfile)) return BadUsage("--depfile needs a file");
    } else if (arg == "--search") {
      std::optional<std::string> folder;
      if (!value(folder)) return BadUsage("--search needs a folder");
      searchFolders.emplace_back(*folder);
    } else if (arg.starts_with("--")) {
      return BadUsage("unknown option " + std::string(arg));
    } else {
      sourceFiles.emplace_back(arg);
    }
  }
  if (!handlersFile) return BadUsage("--handlers is required");
  if (!outputCpp) return BadUsage("--output-cpp is required");

  std::vector<std::string> read;  // every input file, for the depfile
  const std::optional<std::string> handlerText = ReadFile(*handlersFile);
  if (!handlerText) return Error(*handlersFile + ": cannot be read");
  read.push_back(*handlersFile);
  SourceError error;
  const auto handlers = zorvel::forms::ParseHandlerList(*handlerText, *handlersFile, &error);
  if (!handlers) return Error(error.Text());

  std::vector<FormSource> sources;
  for (const std::string& file : sourceFiles) {
    const std::optional<std::string> text = ReadFile(file);
    if (!text) return Error(file + ": cannot be read");
    read.push_back(file);
    std::vector<fs::path> folders{fs::path(file).parent_path()};
    if (folders.front().empty()) folders.front() = ".";
    folders.insert(folders.end(), searchFolders.begin(), searchFolders.end());
    // Look up through the folders, and remember which file answered.
    const zorvel::forms::FileLookup lookup = [&folders, &read](std::string_view name) -> std::optional<std::string> {
      const fs::path relative(std::u8string(name.begin(), name.end()));
      for (const fs::path& folder : folders) {
        std::optional<std::string> bytes = ReadFile(folder / relative);
        if (!bytes) continue;
        read.push_back((folder / relative).string());
        return bytes;
      }
      return std::nullopt;
    };
    std::optional<FormSource> source = zorvel::forms::ParseFormSource(*text, file, *handlers, lookup, &error);
    if (!source) return Error(error.Text());
    sources.push_back(std::move(*source));
  }
  if (!zorvel::forms::CheckProgramIds(sources, &error)) return Error(error.Text());

  std::vector<zorvel::forms::WindowDescription> windows;
  for (const FormSource& s : sources) windows.push_back(s.window);
  const std::vector<std::uint8_t> block = zorvel::forms::WriteFormData(windows);
  std::string failure;
  if (!zorvel::forms::ParseFormData(block, &failure)) return Error("the block made does not read back: " + failure);

  if (!WriteFile(*outputCpp, EmbeddingSource(block, *handlers, sourceFiles)))
    return Error(*outputCpp + ": cannot be written");
  if (outputBlock &&
      !WriteFile(*outputBlock, std::string_view(reinterpret_cast<const char*>(block.data()), block.size())))
    return Error(*outputBlock + ": cannot be written");
  if (outputIds && !WriteFile(*outputIds, IdsHeader(sources))) return Error(*outputIds + ": cannot be written");
  if (depfile) {
    std::string text = MakePath(*outputCpp) + ":";
    std::set<std::string> listed;
    for (const std::string& r : read) {
      const std::string absolute = fs::absolute(r).lexically_normal().string();
      if (listed.insert(absolute).second) text += " \\\n  " + MakePath(absolute);
    }
    text += "\n";
    if (!WriteFile(*depfile, text)) return Error(*depfile + ": cannot be written");
  }
  return 0;
}
