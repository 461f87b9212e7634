#include "app/flash_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "app/dll_commands.h"
#include "app/facade.h"
#include "resources/movies.h"
#include "runtime/command.h"
#include "runtime/commands.h"
#include "runtime/ui/system.h"
#include "text/files.h"
#include "text/gbk_literal.h"

namespace zorvel::app {

using namespace zorvel::literals;

namespace {

using automation::Object;
using forms::WindowProcedure;

// ---- The temporary folder ----

constexpr char kRunFolderPrefix[] = "zorvel-";

// The user's temporary folder as the browser cache folder gives it: "Temporary Internet
// Files" turned into "Temp", with a separator at the end; made if missing when asked.
std::string UserTemporaryFolder(bool make) {
  const Value cache = Call(cmd::ReadRegistryText, 3,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Cache");
  if (cache.view().empty()) return {};
  const Value replaced = Call(cmd::ReplaceSubtext, cache, "Temporary Internet Files", "Temp", kAbsent, kAbsent, true);
  std::string folder = replaced.str() + "\\";
  if (make) dll::MakeSureDirectoryPathExists(folder.c_str());
  return folder;
}

// A folder that is really a folder (not a link), the user's own, and closed to others.
bool IsOwnPrivateFolder(const std::string& nativePath) {
  struct stat st {};
  if (lstat(nativePath.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

// Writes the file afresh: whatever stands at the name (a file of an earlier movie, a
// link) is removed first, and the new file is created without following links.
bool WriteNewFile(const std::string& gbkPath, std::string_view bytes) {
  const std::string native = NativePath(gbkPath);
  if (unlink(native.c_str()) != 0 && errno != ENOENT) return false;
  const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes);
  return close(fd) == 0 && written;
}

std::string Decimal(std::uint32_t n) { return std::to_string(n); }

// The page that embeds the movie: 名字 is the movie's file name without its extension,
// 宽度 and 高度 its size, 颜色 the background. The movie host reads it back.
const char* const kPageTemplate =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head>\r\n"
    "<body style=\"margin:0;padding:0;border:0;overflow:hidden;background-color:颜色\" scroll=\"no\">\r\n"
    "<embed src=\"名字.swf\" width=\"宽度\" height=\"高度\" bgcolor=\"颜色\" quality=\"high\" "
    "type=\"application/x-shockwave-flash\">\r\n"
    "</body></html>\r\n"_gbk;

// ---- The control's automation, through the library commands ----


// The window procedure the context-menu filter replaced (one for the whole program).
WindowProcedure g_savedWindowProcedure = nullptr;

std::intptr_t ContextMenuFilter(std::uint32_t window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  if (message == forms::win::kWmRButtonDown || message == forms::win::kWmRButtonUp) return 0;
  return dll::CallWindowProcA(g_savedWindowProcedure, window, message, wParam, lParam);
}

void TrimWorkingSet(std::uint32_t, std::uint32_t, std::uintptr_t, std::uint32_t) {
  dll::SetProcessWorkingSetSize(dll::kCurrentProcess, -1, -1);
}

// The document window below a window: the window itself when it is one, else the first
// found depth first among its descendants; 0 when there is none.
std::uint32_t FindDocumentWindow(std::uint32_t window) {
  char name[256] = {};
  dll::GetClassNameA(window, name, 255);
  if (std::string_view(name) == "Internet Explorer_Server") return window;
  for (std::uint32_t child = dll::FindWindowExA(window, 0, nullptr, nullptr); child != 0;
       child = dll::FindWindowExA(window, child, nullptr, nullptr)) {
    if (const std::uint32_t found = FindDocumentWindow(child)) return found;
  }
  return 0;
}

// The document object of the document window below `window` (an object variable's
// reference; null when there is none).
Object* DocumentBelow(std::uint32_t window) {
  const std::uint32_t documentWindow = FindDocumentWindow(window);
  if (documentWindow == 0) return nullptr;
  static constexpr std::uint8_t kIHtmlDocument[16] = {0x20, 0xC5, 0x6F, 0x62, 0x1E, 0xA4, 0xCF, 0x11,
                                                      0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37};
  const std::uint32_t message = dll::RegisterWindowMessageA("WM_HTML_GETOBJECT");
  std::uintptr_t result = 0;
  dll::SendMessageTimeoutA(documentWindow, message, 0, 0, forms::win::kSmtoAbortIfHung, 1000, &result);
  Object* document = nullptr;
  dll::ObjectFromLresult(static_cast<std::intptr_t>(result), kIHtmlDocument, 0, &document);
  return document;
}

// Sets style properties of the document's body; with a script, also runs it in the
// document's window. Every object obtained is released again.
void StyleDocumentBelow(std::uint32_t window, std::initializer_list<std::pair<const char*, const char*>> style,
                        const char* script) {
  Object* document = DocumentBelow(window);
  if (document == nullptr) return;
  {
    const Value body = Call(cmd::ReadProperty, document, "body");
    const Value bodyStyle = Call(cmd::ReadProperty, body, "style");
    for (const auto& [name, value] : style) Call(cmd::WriteProperty, bodyStyle, name, value);
    if (script != nullptr) {
      const Value parentWindow = Call(cmd::ReadProperty, document, "parentWindow");
      Call(cmd::CallMethod, parentWindow, "execScript", script, "JavaScript");
    }
  }
  Call(cmd::ClearObject, Var(document));
}

// ---- The operations ----

void Destroy(FlashHost* self) {
  Call(cmd::ClearObject, Var(self->control));
  self->pageText.clear();
  self->pageText.shrink_to_fit();
  self->pageFile.clear();
  self->pageFile.shrink_to_fit();
}

FlashHost* Clone(FlashHost* self) {
  auto* copy = new FlashHost(*self);
  copy->control = nullptr;
  Call(cmd::AssignObject, Var(copy->control), self->control);
  return copy;
}

void BlockContextMenu(FlashHost* self);

std::uint32_t CreateControl(FlashHost* self, std::uint32_t hostWindow, const std::string& url, bool useUrl,
                            std::int32_t x, std::int32_t y, std::int32_t width, bool useWidth, std::int32_t height,
                            bool useHeight, std::uint32_t style, bool useStyle, bool blockContextMenu, bool plainEdge,
                            bool noScrollStyle, automation::Object** out, bool copyOut) {
  namespace win = forms::win;
  dll::AtlAxWinInit();
  std::uint32_t windowStyle = noScrollStyle
                                  ? win::kWsChild | win::kWsVisible | win::kWsClipChildren | win::kWsClipSiblings
                                  : win::kWsChild | win::kWsVisible | win::kWsHScroll | win::kWsVScroll;
  if (useStyle) windowStyle = style;
  const std::string text = useUrl ? url : std::string("about:blank");
  std::int32_t rect[4] = {};
  dll::GetWindowRect(hostWindow, rect);
  self->controlWindow = dll::CreateWindowExA(plainEdge ? 0 : win::kWsExClientEdge, "AtlAxWin", text.c_str(),
                                             windowStyle, x, y, useWidth ? width : rect[2] - rect[0],
                                             useHeight ? height : rect[3] - rect[1], hostWindow, 0,
                                             dll::GetModuleHandleA(nullptr));
  Call(cmd::ClearObject, Var(self->control));
  dll::AtlAxGetControl(self->controlWindow, &self->control);
  if (blockContextMenu) BlockContextMenu(self);
  if (copyOut && out != nullptr) Call(cmd::AssignObject, Var(*out), self->control);
  return self->controlWindow;
}

void SetColourKey(FlashHost*, std::uint32_t window, std::uint32_t colour) {
  const std::intptr_t exStyle = dll::GetWindowLongA(window, forms::win::kGwlExStyle);
  dll::SetWindowLongA(window, forms::win::kGwlExStyle, exStyle | forms::win::kWsExLayered);
  dll::SetLayeredWindowAttributes(window, colour, 200, forms::win::kLwaColorKey);
}

void Move(FlashHost* self, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  dll::MoveWindow(self->controlWindow, x, y, width, height, true);
}

std::int32_t GetHeight(FlashHost* self) {
  std::int32_t rect[4] = {};
  dll::GetWindowRect(self->controlWindow, rect);
  return rect[3] - rect[1];
}

std::int32_t GetWidth(FlashHost* self) {
  std::int32_t rect[4] = {};
  dll::GetWindowRect(self->controlWindow, rect);
  return rect[2] - rect[0];
}

void Navigate(FlashHost* self, const std::string& url) { Call(cmd::CallMethod, self->control, "Navigate2", url); }

std::uint32_t GetHandle(FlashHost* self) { return self->controlWindow; }

void ExecWB(FlashHost* self, std::int32_t command, std::int32_t option, TypedValue input, TypedValue output) {
  Call(cmd::CallMethod, self->control, "ExecWB", command, option, input, output);
}

void HideScrollBarsIn(FlashHost*, std::uint32_t window) {
  StyleDocumentBelow(window, {{"overflow", "hidden;"}, {"overflowX", "hidden;"}, {"overflowY", "hidden;"}},
                     "document.body.style.overflow='hidden';");
}

void HideBorderIn(FlashHost*, std::uint32_t window) {
  StyleDocumentBelow(window, {{"border", "0px none #CCCCCC;"}}, nullptr);
}

void HideBorder(FlashHost* self) { HideBorderIn(self, self->controlWindow); }

void HideScrollBars(FlashHost* self) { HideScrollBarsIn(self, self->controlWindow); }

// Waits for the control's document window, for at most two seconds of handling events
// (a control that never makes one, or a window that goes meanwhile, ends the wait
// without a filter), then filters the right button out of its messages.
void BlockContextMenu(FlashHost* self) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  std::uint32_t documentWindow = 0;
  for (;;) {
    const std::uint32_t embedding = dll::FindChildWindow(self->controlWindow, 0, "Shell Embedding", nullptr);
    const std::uint32_t view = embedding != 0 ? dll::FindChildWindow(embedding, 0, "Shell DocObject View", nullptr) : 0;
    documentWindow = view != 0 ? dll::FindChildWindow(view, 0, "Internet Explorer_Server", nullptr) : 0;
    if (documentWindow != 0 || self->controlWindow == 0 || std::chrono::steady_clock::now() >= deadline) break;
    Call(cmd::ProcessEvents);
    if (dll::GetWindowLongA(self->controlWindow, forms::win::kGwlStyle) == 0) break;  // the control has gone
  }
  if (documentWindow == 0) return;
  g_savedWindowProcedure =
      reinterpret_cast<WindowProcedure>(dll::SetWindowProcedure(documentWindow, &ContextMenuFilter));
}

void Nothing(FlashHost*) {}

std::string BuildPage(FlashHost* self, std::uint32_t number, std::int32_t width, std::int32_t height,
                      std::uint32_t colour) {
  auto twoDigits = [](std::uint32_t byte) {
    const Value hex = Call(cmd::HexText, static_cast<std::int32_t>(byte));
    return hex.view().size() < 2 ? "0" + hex.str() : hex.str();
  };
  const std::string colourText =
      "#" + twoDigits(colour & 0xFF) + twoDigits((colour >> 8) & 0xFF) + twoDigits((colour >> 16) & 0xFF);
  std::string page = kPageTemplate;
  for (const auto& [placeholder, value] :
       {std::pair<const char*, std::string>{"名字"_gbk, "qarn-" + Decimal(number)},
        {"宽度"_gbk, std::to_string(width)},
        {"高度"_gbk, std::to_string(height)},
        {"颜色"_gbk, colourText}}) {
    page = Call(cmd::ReplaceSubtext, page, placeholder, value, kAbsent, kAbsent, true).str();
  }
  self->pageText = page;
  return page;
}

void WritePage(FlashHost* self) { WriteNewFile(self->pageFile, self->pageText); }

void Resize(FlashHost* self, std::int32_t width, std::int32_t height) {
  self->methods->Move(self, 0, 0, width, height);
  self->methods->BuildPage(self, self->hostWindow, width, height, self->colour);
  WritePage(self);
  self->methods->Navigate(self, self->pageFile);
  self->width = width;
  self->height = height;
}

void SetColour(FlashHost* self, std::uint32_t colour) {
  self->methods->BuildPage(self, self->hostWindow, self->width, self->height, colour);
  WritePage(self);
  self->methods->Navigate(self, self->pageFile);
  self->methods->SetColourKey(self, self->hostWindow, colour);
  self->colour = colour;
}

std::uint32_t PlayMovie(FlashHost* self, std::uint32_t hostWindow, std::string_view movie, std::uint32_t colour,
                        bool workingSetTimer) {
  // 1
  self->hostWindow = hostWindow;
  self->methods->SetColourKey(self, hostWindow, colour);
  self->colour = colour;
  // 2: the files go into this run's own folder; they go again with the host window.
  const std::string folder = RunTemporaryFolder();
  const std::string name = folder + "qarn-" + Decimal(hostWindow);
  self->pageFile = name + ".qz";
  // 3, 4
  if (movie.empty()) movie = resources::DefaultMovie();
  if (!folder.empty()) {
    WriteNewFile(name + ".swf", movie);
    WhenWindowGoes(hostWindow, [movieFile = NativePath(name + ".swf"), pageFile = NativePath(self->pageFile)] {
      unlink(movieFile.c_str());
      unlink(pageFile.c_str());
    });
  }
  // 5
  std::int32_t rect[4] = {};
  dll::GetWindowRect(hostWindow, rect);
  self->width = rect[2] - rect[0];
  self->height = rect[3] - rect[1];
  // 6
  self->methods->BuildPage(self, hostWindow, self->width, self->height, colour);
  if (!folder.empty()) WritePage(self);
  // 7
  if (workingSetTimer) dll::SetTimer(hostWindow, hostWindow, 5000, &TrimWorkingSet);
  // 8
  return self->methods->CreateControl(self, hostWindow, self->pageFile, true, 0, 0, 0, false, 0, false, 0, false,
                                      true, true, true, nullptr, false);
}

bool ProcessIsGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// Removes a folder of this program's runs with the files in it (it holds no folders).
void RemoveRunFolder(const std::string& nativeFolder) {
  if (!IsOwnPrivateFolder(nativeFolder)) return;
  if (DIR* dir = opendir(nativeFolder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((nativeFolder + "/" + name).c_str());
    }
    closedir(dir);
  }
  rmdir(nativeFolder.c_str());
}

}  // namespace

const FlashHostMethods kFlashHostMethods = {
    Destroy, Clone,         CreateControl,    SetColourKey,     Move,         GetHeight, GetWidth,
    Navigate, GetHandle,    ExecWB,           HideBorder,       BlockContextMenu, HideScrollBars,
    HideScrollBarsIn, HideBorderIn, Nothing,  PlayMovie,        BuildPage,    Resize,    SetColour,
};

std::string RunTemporaryFolder() {
  const std::string user = UserTemporaryFolder(true);
  if (user.empty()) return {};
  const std::string folder = user + kRunFolderPrefix + std::to_string(getpid());
  const std::string native = NativePath(folder);
  if (mkdir(native.c_str(), 0700) != 0) {
    // A folder of that name from an earlier run with the same process id is taken over
    // when it is the user's own folder; anything else stands in the way.
    struct stat st {};
    if (errno != EEXIST || lstat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
      return {};
    chmod(native.c_str(), 0700);
  }
  return IsOwnPrivateFolder(native) ? folder + "\\" : std::string();
}

void RemoveRunTemporaryFolder() {
  const std::string user = UserTemporaryFolder(false);
  if (!user.empty()) RemoveRunFolder(NativePath(user + kRunFolderPrefix + std::to_string(getpid())));
}

void RemoveEndedRunsTemporaryFolders() {
  const std::string user = UserTemporaryFolder(false);
  if (user.empty()) return;
  const std::string native = NativePath(user);
  DIR* dir = opendir(native.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind(kRunFolderPrefix, 0) != 0) continue;
    const std::string digits = name.substr(sizeof(kRunFolderPrefix) - 1);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto pid = static_cast<pid_t>(std::stol(digits));
    if (pid != getpid() && ProcessIsGone(pid)) RemoveRunFolder(native + name);
  }
  closedir(dir);
}

}  // namespace zorvel::app
