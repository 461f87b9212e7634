#include "tools/formc/form_source.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "forms/unit_layout.h"
#include "text/gbk.h"

namespace zorvel::forms {

std::string SourceError::Text() const {
  if (line <= 0) return file + ": " + message;
  return file + ":" + std::to_string(line) + ": " + message;
}

namespace {

constexpr std::uint32_t kWindowType = 0x00010001;

std::string Hex(std::uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", v);
  return buffer;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool IsIdentifierStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

bool IsIdentifier(std::string_view s) {
  return !s.empty() && IsIdentifierStart(s[0]) && std::all_of(s.begin() + 1, s.end(), IsIdentifierChar);
}

// Splits text into lines without their line ends.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// One argument of a source line: a bare word as written, or a quoted text with its
// escapes resolved (still UTF-8).
struct Token {
  std::string text;
  bool quoted = false;
};

// Splits one line into tokens; a # outside quotes ends the line. On failure, message
// says why.
bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& message) {
  tokens.clear();
  if (line.find('\0') != std::string_view::npos) {
    message = "a 0 byte in the line";
    return false;
  }
  std::size_t at = 0;
  while (true) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size() || line[at] == '#') return true;
    Token token;
    if (line[at] == '"') {
      token.quoted = true;
      ++at;
      bool closed = false;
      while (at < line.size()) {
        const char c = line[at++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\') {
          token.text += c;
          continue;
        }
        if (at == line.size()) break;
        switch (const char e = line[at++]) {
          case '"': token.text += '"'; break;
          case '\\': token.text += '\\'; break;
          case 'n': token.text += '\n'; break;
          case 'r': token.text += '\r'; break;
          case 't': token.text += '\t'; break;
          default:
            message = std::string("unknown escape \\") + e + " in a text";
            return false;
        }
      }
      if (!closed) {
        message = "a text without its closing quote";
        return false;
      }
      if (at < line.size() && !IsBlank(line[at]) && line[at] != '#') {
        message = "a blank must follow a text";
        return false;
      }
    } else {
      while (at < line.size() && !IsBlank(line[at]) && line[at] != '#') {
        if (line[at] == '"') {
          message = "a quote inside a word";
          return false;
        }
        token.text += line[at++];
      }
    }
    tokens.push_back(std::move(token));
  }
}

// A number as the sources write it: decimal with an optional sign, hexadecimal after 0x,
// or true / false. Anything from −2^31 to 2^32 − 1 is taken (a word's bit pattern).
std::optional<std::int64_t> ParseNumber(std::string_view s) {
  if (s == "true") return 1;
  if (s == "false") return 0;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return -static_cast<std::int64_t>(value);
  }
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

// The number of GBK characters in a GBK text (a lead byte and its trail count as one).
std::size_t GbkCharacters(std::string_view gbk) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < gbk.size(); ++i, ++count)
    if (gbk::IsDoubleByteLead(static_cast<std::uint8_t>(gbk[i]))) ++i;
  return count;
}

std::int32_t MulDivRounded(std::int64_t a, std::int64_t b, std::int64_t c) {
  const std::int64_t product = a * b;
  const std::int64_t half = c / 2;
  return static_cast<std::int32_t>(product >= 0 ? (product + half) / c : (product - half) / c);
}

class Parser {
 public:
  Parser(std::string_view fileName, std::span<const std::string> handlers, const FileLookup& files)
      : handlers_(handlers), files_(files) {
    source_.file = std::string(fileName);
  }

  std::optional<FormSource> Run(std::string_view text, SourceError* error) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::vector<std::string_view> lines = Lines(text);
    bool ok = true;
    for (std::size_t k = 0; ok && k < lines.size(); ++k) {
      line_ = static_cast<int>(k + 1);
      std::string message;
      if (!Tokenize(lines[k], tokens_, message)) ok = Fail(message);
      else if (!tokens_.empty()) ok = Line();
    }
    if (ok) {
      line_ = static_cast<int>(lines.size());
      ok = FinishUnit() && FinishWindow();
    }
    if (!ok) {
      if (error) *error = error_;
      return std::nullopt;
    }
    return std::move(source_);
  }

 private:
  enum class StoredMode { kCurrent, kEmpty, kVersion };

  // The unit being read: its record so far and what its lines have said.
  struct Pending {
    UnitDescription unit;
    const UnitLayout* layout = nullptr;
    bool menu = false;
    int line = 0;
    bool hasFlags = false, hasAt = false, hasPointer = false, hasLevel = false;
    int levelLine = 0;
    std::set<std::string> seen;  // keywords given once
    std::vector<PropertyValue> properties;
    std::vector<std::pair<int, int>> sets;  // property index, line
    StoredMode stored = StoredMode::kCurrent;
    std::uint32_t storedVersion = 0;
    int storedLine = 0;
    std::string codeName;
  };

  bool Fail(std::string message, int line = -1) {
    error_ = {source_.file, line < 0 ? line_ : line, std::move(message)};
    return false;
  }

  const std::string& Keyword() const { return tokens_[0].text; }

  bool Arguments(std::size_t count) {
    if (tokens_.size() - 1 == count) return true;
    return Fail("'" + Keyword() + "' takes " + std::to_string(count) + (count == 1 ? " argument" : " arguments") +
                ", not " + std::to_string(tokens_.size() - 1));
  }

  bool Number(const Token& t, std::int64_t& out) {
    std::optional<std::int64_t> n;
    if (!t.quoted) n = ParseNumber(t.text);
    if (!n) return Fail("bad number '" + t.text + "'");
    out = *n;
    return true;
  }
  bool Word(const Token& t, std::uint32_t& out) {
    std::int64_t n = 0;
    if (!Number(t, n)) return false;
    out = static_cast<std::uint32_t>(n);
    return true;
  }
  bool Signed(const Token& t, std::int32_t& out) {
    std::uint32_t w = 0;
    if (!Word(t, w)) return false;
    out = static_cast<std::int32_t>(w);
    return true;
  }

  // A quoted text in GBK.
  bool Text(const Token& t, std::string& out) {
    if (!t.quoted) return Fail("expected a text in double quotes, not '" + t.text + "'");
    bool allGbk = true;
    out = gbk::FromUtf8(t.text, &allGbk);
    if (!allGbk) return Fail("the text \"" + t.text + "\" holds a character without a GBK code");
    return true;
  }

  bool Handler(const Token& t, std::int32_t& out) {
    if (!t.quoted && t.text == "none") {
      out = kNoHandler;
      return true;
    }
    const auto it = std::find(handlers_.begin(), handlers_.end(), t.text);
    if (t.quoted || it == handlers_.end()) return Fail("unknown handler name '" + t.text + "'");
    out = static_cast<std::int32_t>(it - handlers_.begin());
    return true;
  }

  bool FileBytes(const Token& t, std::string& out) {
    if (!t.quoted) return Fail("expected a file name in double quotes, not '" + t.text + "'");
    std::optional<std::string> bytes;
    if (!t.text.empty() && files_) bytes = files_(t.text);
    if (!bytes) return Fail("file not found: \"" + t.text + "\"");
    out = std::move(*bytes);
    return true;
  }

  bool HexBytes(const Token& t, std::string& out) {
    if (!t.quoted) return Fail("expected hexadecimal digits in double quotes, not '" + t.text + "'");
    out.clear();
    int high = -1;
    for (const char c : t.text) {
      if (IsBlank(c) || c == '\n') continue;
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) return Fail(std::string("'") + c + "' is not a hexadecimal digit");
      if (high < 0) {
        high = digit;
      } else {
        out += static_cast<char>(high << 4 | digit);
        high = -1;
      }
    }
    if (high >= 0) return Fail("an odd number of hexadecimal digits");
    return true;
  }

  bool Line() {
    if (tokens_[0].quoted) return Fail("a line starts with a keyword, not a text");
    const std::string& k = Keyword();
    if (k == "window") return WindowLine();
    if (k == "design" || k == "module" || k == "text1" || k == "text2") return WindowField();
    if (k == "unit" || k == "menu") return UnitLine();
    if (!unit_) {
      static const std::set<std::string, std::less<>> kUnitKeywords = {
          "source", "comment", "at",  "parent", "children", "pointer", "tag",     "flags", "tab",
          "on",     "set",     "stored", "level", "hotkey", "handler", "name"};
      if (kUnitKeywords.contains(k)) return Fail("'" + k + "' before any 'unit' or 'menu' line");
      return Fail("unknown keyword '" + k + "'");
    }
    return UnitField();
  }

  bool WindowLine() {
    if (window_) return Fail("a second 'window' line: one window per source");
    if (!Arguments(2)) return false;
    std::uint32_t id = 0;
    if (!Word(tokens_[1], id)) return false;
    if (!IsValidId(id)) return Fail("window id " + Hex(id) + " is not valid (category and serial must not be 0)");
    if (!tokens_[2].quoted) return Fail("expected the window's name in double quotes, not '" + tokens_[2].text + "'");
    window_ = true;
    source_.window.id = id;
    source_.name = tokens_[2].text;
    source_.windowLine = line_;
    return true;
  }

  bool WindowField() {
    const std::string& k = Keyword();
    if (!window_) return Fail("'" + k + "' before the 'window' line");
    if (unit_ || !source_.window.units.empty())
      return Fail("'" + k + "' belongs to the window and comes before its units");
    if (!windowFields_.insert(k).second) return Fail("'" + k + "' given twice");
    if (!Arguments(1)) return false;
    WindowDescription& w = source_.window;
    if (k == "design") return Word(tokens_[1], w.designWord);
    if (k == "module") return Word(tokens_[1], w.moduleId);
    return Text(tokens_[1], k == "text1" ? w.text1 : w.text2);
  }

  bool UnitLine() {
    const bool menu = Keyword() == "menu";
    if (!window_) return Fail(std::string(menu ? "a menu item" : "a unit") + " before the 'window' line");
    if (!FinishUnit()) return false;
    if (!Arguments(menu ? 2 : 3)) return false;
    Pending p;
    p.menu = menu;
    p.line = line_;
    UnitDescription& u = p.unit;
    if (!Word(tokens_[1], u.id)) return false;
    if (!IsValidId(u.id)) return Fail("unit id " + Hex(u.id) + " is not valid (category and serial must not be 0)");
    if (menu && !IsMenuItemId(u.id))
      return Fail("menu item id " + Hex(u.id) + " does not have the menu item's high byte 0x26");
    if (!menu && IsMenuItemId(u.id)) return Fail("unit id " + Hex(u.id) + " is a menu item's id; write it with 'menu'");
    for (const UnitDescription& other : source_.window.units)
      if (other.id == u.id) return Fail("unit id " + Hex(u.id) + " is used twice in this window");
    const bool first = source_.window.units.empty();

    if (menu) {
      if (first) return Fail("the window's own unit (type window) must be the first unit");
      if (menuRun_ == MenuRun::kAfter)
        return Fail("menu items form one run of records; this one is separated from the earlier ones");
      menuRun_ = MenuRun::kIn;
      u.type = kMenuItemType;
      p.layout = FindUnitLayout(kMenuItemType);
      if (!Text(tokens_[2], u.caption)) return false;
    } else {
      const Token& type = tokens_[2];
      if (type.quoted) return Fail("expected a type name, not a text");
      if (!type.text.empty() && type.text[0] >= '0' && type.text[0] <= '9') {
        std::uint32_t code = 0;
        if (!Word(type, code)) return false;
        p.layout = FindUnitLayout(code);
        if (!p.layout) return Fail("unknown type code " + Hex(code));
      } else {
        p.layout = FindUnitLayout(std::string_view(type.text));
        if (!p.layout) return Fail("unknown type name '" + type.text + "'");
      }
      if (p.layout->type == kMenuItemType) return Fail("menu items are written with 'menu', not 'unit'");
      if (first && p.layout->type != kWindowType)
        return Fail("the window's own unit (type window) must be the first unit");
      if (!first && p.layout->type == kWindowType)
        return Fail("only the first unit is the window's own unit (type window)");
      if (menuRun_ == MenuRun::kIn) menuRun_ = MenuRun::kAfter;
      u.type = p.layout->type;
      if (!Text(tokens_[3], u.name)) return false;
      p.properties = DefaultProperties(*p.layout);
    }
    unit_ = std::move(p);
    return true;
  }

  bool UnitField() {
    Pending& p = *unit_;
    UnitDescription& u = p.unit;
    const std::string& k = Keyword();
    static const std::set<std::string, std::less<>> kMenuOnly = {"level", "hotkey", "handler"};
    static const std::set<std::string, std::less<>> kControlOnly = {"at",  "parent", "children", "pointer", "tag",
                                                                    "tab", "on",     "set",      "stored"};
    static const std::set<std::string, std::less<>> kRepeatable = {"on", "set"};
    const bool known = kMenuOnly.contains(k) || kControlOnly.contains(k) || k == "source" || k == "comment" ||
                       k == "flags" || k == "name";
    if (!known) return Fail("unknown keyword '" + k + "'");
    if (!p.menu && kMenuOnly.contains(k)) return Fail("'" + k + "' belongs to menu items, not to a unit");
    if (p.menu && kControlOnly.contains(k)) return Fail("'" + k + "' belongs to units, not to a menu item");
    if (!kRepeatable.contains(k) && !p.seen.insert(k).second) return Fail("'" + k + "' given twice for one unit");

    if (k == "source") return Arguments(1) && Word(tokens_[1], u.eventSource);
    if (k == "name") return Arguments(1) && CodeName(tokens_[1]);
    if (k == "comment") return Arguments(1) && Text(tokens_[1], u.comment);
    if (k == "flags") return Flags();
    if (k == "level") {
      p.hasLevel = true;
      p.levelLine = line_;
      return Arguments(1) && Word(tokens_[1], u.level);
    }
    if (k == "hotkey") return Arguments(1) && Word(tokens_[1], u.hotkey);
    if (k == "handler") return Arguments(1) && Handler(tokens_[1], u.handler);
    if (k == "at") {
      p.hasAt = true;
      return Arguments(4) && Signed(tokens_[1], u.left) && Signed(tokens_[2], u.top) && Signed(tokens_[3], u.width) &&
             Signed(tokens_[4], u.height);
    }
    if (k == "parent") return Arguments(1) && Word(tokens_[1], u.parent);
    if (k == "children") {
      if (tokens_.size() < 2) return Fail("'children' takes at least one id");
      for (std::size_t i = 1; i < tokens_.size(); ++i) {
        std::uint32_t id = 0;
        if (!Word(tokens_[i], id)) return false;
        u.children.push_back(id);
      }
      return true;
    }
    if (k == "pointer") return Pointer();
    if (k == "tag") return Arguments(1) && Text(tokens_[1], u.tag);
    if (k == "tab") return Arguments(1) && Signed(tokens_[1], u.tabOrder);
    if (k == "on") {
      EventBinding b;
      if (!Arguments(2) || !Signed(tokens_[1], b.event) || !Handler(tokens_[2], b.handler)) return false;
      for (const EventBinding& other : u.bindings)
        if (other.event == b.event) return Fail("event " + std::to_string(b.event) + " is bound twice");
      u.bindings.push_back(b);
      return true;
    }
    if (k == "set") return Set();
    return Stored();
  }

  // The name the program's code knows the unit by: a letter, then letters and digits,
  // unique in the window.
  bool CodeName(const Token& t) {
    const std::string& n = t.text;
    bool valid = !t.quoted && !n.empty() && std::isalpha(static_cast<unsigned char>(n[0]));
    for (const char c : n) valid = valid && std::isalnum(static_cast<unsigned char>(c));
    if (!valid) return Fail("'" + n + "' is not a name (a letter, then letters and digits)");
    if (n == "Window") return Fail("the name 'Window' is the window's own");
    for (const std::string& other : source_.unitNames)
      if (other == n) return Fail("the name '" + n + "' is used twice in this window");
    unit_->codeName = n;
    return true;
  }

  bool Flags() {
    Pending& p = *unit_;
    if (tokens_.size() < 2) return Fail("'flags' takes its flag names, or none");
    std::uint32_t flags = 0;
    for (std::size_t i = 1; i < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      const std::string& f = t.text;
      std::uint32_t bit = 0;
      if (!t.quoted && f == "none" && tokens_.size() == 2) bit = 0;
      else if (!t.quoted && !p.menu && f == "visible") bit = kFlagVisible;
      else if (!t.quoted && !p.menu && f == "disabled") bit = kFlagDisabled;
      else if (!t.quoted && !p.menu && f == "tabstop") bit = kFlagTabStop;
      else if (!t.quoted && p.menu && f == "hidden") bit = kMenuHidden;
      else if (!t.quoted && p.menu && f == "disabled") bit = kMenuDisabled;
      else if (!t.quoted && p.menu && f == "checked") bit = kMenuChecked;
      else
        return Fail("unknown flag '" + f + "' for " + (p.menu ? "a menu item (hidden disabled checked, or none)"
                                                              : "a unit (visible disabled tabstop, or none)"));
      flags |= bit;
    }
    p.hasFlags = true;
    (p.menu ? p.unit.menuFlags : p.unit.flags) = flags;
    return true;
  }

  bool Pointer() {
    Pending& p = *unit_;
    p.hasPointer = true;
    const std::string kind = tokens_.size() > 1 && !tokens_[1].quoted ? tokens_[1].text : "";
    std::uint32_t number = 0;
    if (kind == "default") {
      if (!Arguments(1)) return false;
    } else if (kind == "stock") {
      if (!Arguments(2) || !Word(tokens_[2], number)) return false;
    } else if (kind == "file") {
      std::string bytes;
      if (!Arguments(2) || !FileBytes(tokens_[2], bytes)) return false;
      if (bytes.empty()) return Fail("the cursor file \"" + tokens_[2].text + "\" is empty");
      p.unit.mousePointer = std::string(4, '\xFF') + bytes;
      return true;
    } else {
      return Fail("'pointer' takes default, stock N or file \"name\"");
    }
    p.unit.mousePointer.clear();
    for (int k = 0; k < 4; ++k) p.unit.mousePointer += static_cast<char>(number >> (8 * k));
    return true;
  }

  bool Stored() {
    Pending& p = *unit_;
    p.storedLine = line_;
    if (tokens_.size() == 2 && !tokens_[1].quoted && tokens_[1].text == "empty") {
      p.stored = StoredMode::kEmpty;
      return true;
    }
    if (tokens_.size() == 3 && !tokens_[1].quoted && tokens_[1].text == "version") {
      if (!Word(tokens_[2], p.storedVersion)) return false;
      if (p.storedVersion > p.layout->version)
        return Fail("stored version " + std::to_string(p.storedVersion) + " is above " +
                    std::string(p.layout->englishName) + "'s current version " + std::to_string(p.layout->version));
      p.stored = StoredMode::kVersion;
      return true;
    }
    return Fail("'stored' takes empty or version N");
  }

  bool Set() {
    Pending& p = *unit_;
    if (tokens_.size() < 3) return Fail("'set' takes a property name and a value");
    const Token& name = tokens_[1];
    const std::string typeName(p.layout->englishName);
    const std::optional<int> index = name.quoted ? std::nullopt : PropertyIndex(*p.layout, name.text);
    if (!index) return Fail("unknown property '" + name.text + "' for type " + typeName);
    const PropertyInfo& info = *FindProperty(*p.layout, *index);
    const StoredField* field = nullptr;
    for (const StoredField& f : p.layout->fields)
      if (f.property == *index) field = &f;
    if (!field) return Fail("property '" + name.text + "' of " + typeName + " is not kept in the form data");
    for (const auto& [other, otherLine] : p.sets)
      if (other == *index)
        return Fail("property '" + name.text + "' set twice (first on line " + std::to_string(otherLine) + ")");
    PropertyValue& value = p.properties[static_cast<std::size_t>(*index - 8)];
    if (!Value(info, *field, std::span(tokens_).subspan(2), value)) return false;
    p.sets.emplace_back(*index, line_);
    return true;
  }

  bool Value(const PropertyInfo& info, const StoredField& field, std::span<const Token> args, PropertyValue& value) {
    const std::string name(info.name);
    auto single = [&]() {
      if (args.size() == 1) return true;
      return Fail("'" + name + "' takes one value, not " + std::to_string(args.size()));
    };
    switch (info.type) {
      case PropertyType::kInteger:
      case PropertyType::kChoice:
      case PropertyType::kLogical:
      case PropertyType::kColour:
      case PropertyType::kTransparentColour:
      case PropertyType::kBackColour: {
        std::int32_t v = 0;
        if (!single() || !Signed(args[0], v)) return false;
        if (v < info.minimum || v > info.maximum)
          return Fail("value " + std::to_string(v) + " of '" + name + "' is outside " + std::to_string(info.minimum) +
                      ".." + std::to_string(info.maximum));
        value.word = v;
        return true;
      }
      case PropertyType::kDouble:
      case PropertyType::kDateTime: {
        if (!single()) return false;
        const std::string& s = args[0].text;
        double d = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
        if (args[0].quoted || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(d))
          return Fail("bad number '" + s + "'");
        value.real = d;
        return true;
      }
      case PropertyType::kText:
      case PropertyType::kFileName:
      case PropertyType::kDataSource:
      case PropertyType::kDataColumn:
        if (!single() || !Text(args[0], value.bytes)) return false;
        if (field.kind == FieldKind::kCharacter && GbkCharacters(value.bytes) > 1)
          return Fail("'" + name + "' holds one character, not \"" + args[0].text + "\"");
        return true;
      case PropertyType::kFont:
        return Font(args, value.bytes);
      case PropertyType::kPicture:
      case PropertyType::kIcon:
      case PropertyType::kSound:
      case PropertyType::kCustomData:
      case PropertyType::kImageList:
      case PropertyType::kMousePointer: {
        const std::string kind = args[0].quoted ? "" : args[0].text;
        if (kind == "none" && args.size() == 1) {
          value.bytes.clear();
          return true;
        }
        if (kind == "file" && args.size() == 2) return FileBytes(args[1], value.bytes);
        if (kind == "hex" && args.size() == 2) return HexBytes(args[1], value.bytes);
        return Fail("'" + name + "' takes none, file \"name\" or hex \"digits\"");
      }
    }
    return Fail("'" + name + "' cannot be set in a form source");
  }

  // font "face" points [bold] [italic] [underline] [strikeout] [key=N]...
  bool Font(std::span<const Token> args, std::string& out) {
    if (args.size() == 1 && !args[0].quoted && args[0].text == "none") {
      out.clear();
      return true;
    }
    if (args.size() < 3 || args[0].quoted || args[0].text != "font")
      return Fail("a font is none, or font \"face\" points followed by its options");
    FontSpec spec;
    if (!Text(args[1], spec.face)) return false;
    if (!Signed(args[2], spec.points)) return false;
    if (spec.points < 0 || spec.points > 10000) return Fail("bad point size " + std::to_string(spec.points));
    for (const Token& t : args.subspan(3)) {
      const std::string& o = t.text;
      if (t.quoted) return Fail("unexpected text \"" + o + "\" among the font's options");
      if (o == "bold") spec.weight = 700;
      else if (o == "italic") spec.italic = true;
      else if (o == "underline") spec.underline = true;
      else if (o == "strikeout") spec.strikeOut = true;
      else {
        const std::size_t eq = o.find('=');
        const std::string key = o.substr(0, eq);
        if (eq == std::string::npos) return Fail("unknown font option '" + o + "'");
        const std::optional<std::int64_t> n = ParseNumber(std::string_view(o).substr(eq + 1));
        if (!n) return Fail("bad number in font option '" + o + "'");
        const auto word = static_cast<std::int32_t>(static_cast<std::uint32_t>(*n));
        std::uint8_t* byte = nullptr;
        if (key == "angle") spec.angle = word;
        else if (key == "weight") spec.weight = word;
        else if (key == "height") spec.height = word;
        else if (key == "width") spec.width = word;
        else if (key == "charset") byte = &spec.charset;
        else if (key == "precision") byte = &spec.outPrecision;
        else if (key == "clip") byte = &spec.clipPrecision;
        else if (key == "quality") byte = &spec.quality;
        else if (key == "family") byte = &spec.pitchAndFamily;
        else return Fail("unknown font option '" + o + "'");
        if (byte) {
          if (*n < 0 || *n > 255) return Fail("font option '" + o + "' is outside 0..255");
          *byte = static_cast<std::uint8_t>(*n);
        }
      }
    }
    const std::optional<std::string> font = MakeLogicalFont(spec);
    if (!font) return Fail("the font face \"" + args[1].text + "\" is longer than 31 bytes in GBK");
    out = *font;
    return true;
  }

  bool FinishUnit() {
    if (!unit_) return true;
    Pending p = std::move(*unit_);
    unit_.reset();
    if (!p.hasFlags) return Fail((p.menu ? "menu item " : "unit ") + Hex(p.unit.id) + " has no 'flags' line", p.line);
    if (p.menu) {
      const std::uint32_t level = p.unit.level;
      const int at = p.hasLevel ? p.levelLine : p.line;
      if (previousLevel_ < 0 && level != 0) return Fail("the first menu item must have level 0", at);
      if (previousLevel_ >= 0 && level > static_cast<std::uint32_t>(previousLevel_) + 1)
        return Fail("level " + std::to_string(level) + " follows level " + std::to_string(previousLevel_) +
                        ": a sub-item is one level below its item",
                    at);
      previousLevel_ = static_cast<std::int64_t>(level);
    } else {
      if (!p.hasAt) return Fail("unit " + Hex(p.unit.id) + " has no 'at' line", p.line);
      if (!p.hasPointer) p.unit.mousePointer = std::string(4, '\0');
      if (p.stored == StoredMode::kEmpty) {
        if (!p.sets.empty()) return Fail("'set' on a unit whose stored block is empty", p.sets.front().second);
        p.unit.stored.clear();
      } else {
        const std::uint32_t version = p.stored == StoredMode::kVersion ? p.storedVersion : p.layout->version;
        for (const auto& [index, setLine] : p.sets)
          for (const StoredField& f : p.layout->fields)
            if (f.property == index && f.minVersion > version)
              return Fail("property '" + std::string(FindProperty(*p.layout, index)->name) +
                              "' is not kept in stored version " + std::to_string(version),
                          setLine);
        const std::vector<std::uint8_t> block = WriteStored(*p.layout, p.properties, version);
        p.unit.stored.assign(block.begin(), block.end());
      }
    }
    source_.window.units.push_back(std::move(p.unit));
    source_.unitLines.push_back(p.line);
    source_.unitNames.push_back(std::move(p.codeName));
    return true;
  }

  // What needs the whole window: it exists, and the ids units name are its units.
  bool FinishWindow() {
    if (!window_) return Fail("no 'window' line", 0);
    const std::vector<UnitDescription>& units = source_.window.units;
    if (units.empty()) return Fail("the window has no units: its own unit (type window) comes first", source_.windowLine);
    auto find = [&](std::uint32_t id) -> const UnitDescription* {
      for (const UnitDescription& u : units)
        if (u.id == id) return &u;
      return nullptr;
    };
    for (std::size_t i = 0; i < units.size(); ++i) {
      const UnitDescription& u = units[i];
      const int at = source_.unitLines[i];
      if (u.eventSource != 0) {
        const UnitDescription* s = find(u.eventSource);
        if (!s || s->type != u.type || s->id == u.id)
          return Fail("event source " + Hex(u.eventSource) + " is not another unit of the same type in this window", at);
      }
      if (IsMenuItemId(u.id)) continue;
      if (u.parent != 0) {
        const UnitDescription* parent = find(u.parent);
        if (!parent || IsMenuItemId(u.parent) || u.parent == u.id || i == 0)
          return Fail("parent " + Hex(u.parent) + " is not a unit of this window", at);
      }
      for (const std::uint32_t child : u.children)
        if (child != 0 && (!find(child) || IsMenuItemId(child) || child == units[0].id || child == u.id))
          return Fail("child " + Hex(child) + " is not a unit of this window", at);
    }
    return true;
  }

  enum class MenuRun { kBefore, kIn, kAfter };

  std::span<const std::string> handlers_;
  const FileLookup& files_;
  FormSource source_;
  SourceError error_;
  int line_ = 0;
  std::vector<Token> tokens_;
  bool window_ = false;
  std::set<std::string> windowFields_;
  std::optional<Pending> unit_;
  MenuRun menuRun_ = MenuRun::kBefore;
  std::int64_t previousLevel_ = -1;
};

}  // namespace

std::optional<std::vector<std::string>> ParseHandlerList(std::string_view text, std::string_view fileName,
                                                         SourceError* error) {
  static constexpr std::string_view kMacro = "ZORVEL_HANDLER";
  std::vector<std::string> names;
  std::map<std::string, int, std::less<>> lines;
  const std::vector<std::string_view> all = Lines(text);
  for (std::size_t k = 0; k < all.size(); ++k) {
    const int lineNumber = static_cast<int>(k + 1);
    auto fail = [&](std::string message) -> std::optional<std::vector<std::string>> {
      if (error) *error = {std::string(fileName), lineNumber, std::move(message)};
      return std::nullopt;
    };
    std::string_view line = all[k];
    auto skipBlanks = [&] {
      while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    };
    skipBlanks();
    if (!line.starts_with(kMacro)) continue;
    line.remove_prefix(kMacro.size());
    if (!line.empty() && IsIdentifierChar(line.front())) continue;  // another identifier
    skipBlanks();
    const std::size_t close = line.find(')');
    if (!line.starts_with('(') || close == std::string_view::npos)
      return fail("expected ZORVEL_HANDLER(name)");
    std::string_view name = line.substr(1, close - 1);
    while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    line.remove_prefix(close + 1);
    skipBlanks();
    if (!line.empty() && !line.starts_with("//")) return fail("unexpected text after ZORVEL_HANDLER(...)");
    if (!IsIdentifier(name)) return fail("'" + std::string(name) + "' is not a handler name");
    if (name == "none") return fail("'none' is reserved for no handler");
    const auto [it, inserted] = lines.emplace(std::string(name), lineNumber);
    if (!inserted)
      return fail("handler '" + std::string(name) + "' is listed twice (first on line " + std::to_string(it->second) +
                  ")");
    names.emplace_back(name);
  }
  return names;
}

std::optional<FormSource> ParseFormSource(std::string_view text, std::string_view fileName,
                                          std::span<const std::string> handlers, const FileLookup& files,
                                          SourceError* error) {
  Parser parser(fileName, handlers, files);
  return parser.Run(text, error);
}

bool CheckProgramIds(std::span<const FormSource> sources, SourceError* error) {
  // Every id with the place that first used it.
  std::map<std::uint32_t, std::pair<const FormSource*, int>> seen;
  auto place = [](const std::pair<const FormSource*, int>& p) { return p.first->file + ":" + std::to_string(p.second); };
  for (const FormSource& s : sources) {
    const auto [it, inserted] = seen.emplace(s.window.id, std::pair{&s, s.windowLine});
    if (!inserted) {
      if (error) *error = {s.file, s.windowLine, "window id " + Hex(s.window.id) + " is also used at " + place(it->second)};
      return false;
    }
    for (std::size_t i = 0; i < s.window.units.size(); ++i) {
      const int line = i < s.unitLines.size() ? s.unitLines[i] : 0;
      const std::uint32_t id = s.window.units[i].id;
      const auto [at, fresh] = seen.emplace(id, std::pair{&s, line});
      if (!fresh) {
        if (error) *error = {s.file, line, "unit id " + Hex(id) + " is also used at " + place(at->second)};
        return false;
      }
    }
  }
  return true;
}

std::optional<std::string> MakeLogicalFont(const FontSpec& spec) {
  if (spec.face.size() > 31) return std::nullopt;
  std::string font(60, '\0');
  auto put = [&font](std::size_t at, std::int32_t v) {
    for (int k = 0; k < 4; ++k) font[at + k] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * k));
  };
  put(0, spec.height ? *spec.height : -MulDivRounded(spec.points, 96, 72));
  put(4, spec.width);
  put(8, spec.angle);
  put(12, spec.angle);
  put(16, spec.weight);
  font[20] = spec.italic ? 1 : 0;
  font[21] = spec.underline ? 1 : 0;
  font[22] = spec.strikeOut ? 1 : 0;
  font[23] = static_cast<char>(spec.charset);
  font[24] = static_cast<char>(spec.outPrecision);
  font[25] = static_cast<char>(spec.clipPrecision);
  font[26] = static_cast<char>(spec.quality);
  font[27] = static_cast<char>(spec.pitchAndFamily);
  std::copy(spec.face.begin(), spec.face.end(), font.begin() + 28);
  return font;
}

}  // namespace zorvel::forms
