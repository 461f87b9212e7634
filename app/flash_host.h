// The movie host object: plays a movie over a window by writing the movie and a page
// that embeds it to the temporary folder and creating a movie host control ("AtlAxWin")
// over the window, made see-through in one colour. Its twenty operations sit in a
// method table in slot order; the celebration effect uses PlayMovie and Destroy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/automation.h"
#include "runtime/values.h"

namespace zorvel::app {

struct FlashHost;

struct FlashHostMethods {
  void (*Destroy)(FlashHost* self);
  FlashHost* (*Clone)(FlashHost* self);
  std::uint32_t (*CreateControl)(FlashHost* self, std::uint32_t hostWindow, const std::string& url, bool useUrl,
                                 std::int32_t x, std::int32_t y, std::int32_t width, bool useWidth,
                                 std::int32_t height, bool useHeight, std::uint32_t style, bool useStyle,
                                 bool blockContextMenu, bool plainEdge, bool noScrollStyle,
                                 automation::Object** out, bool copyOut);
  void (*SetColourKey)(FlashHost* self, std::uint32_t window, std::uint32_t colour);
  void (*Move)(FlashHost* self, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
  std::int32_t (*GetHeight)(FlashHost* self);
  std::int32_t (*GetWidth)(FlashHost* self);
  void (*Navigate)(FlashHost* self, const std::string& url);
  std::uint32_t (*GetHandle)(FlashHost* self);
  void (*ExecWB)(FlashHost* self, std::int32_t command, std::int32_t option, TypedValue input, TypedValue output);
  void (*HideBorder)(FlashHost* self);
  void (*BlockContextMenu)(FlashHost* self);
  void (*HideScrollBars)(FlashHost* self);
  void (*HideScrollBarsIn)(FlashHost* self, std::uint32_t window);
  void (*HideBorderIn)(FlashHost* self, std::uint32_t window);
  void (*Nothing)(FlashHost* self);
  std::uint32_t (*PlayMovie)(FlashHost* self, std::uint32_t hostWindow, std::string_view movie, std::uint32_t colour,
                             bool workingSetTimer);
  std::string (*BuildPage)(FlashHost* self, std::uint32_t number, std::int32_t width, std::int32_t height,
                           std::uint32_t colour);
  void (*Resize)(FlashHost* self, std::int32_t width, std::int32_t height);
  void (*SetColour)(FlashHost* self, std::uint32_t colour);
};

extern const FlashHostMethods kFlashHostMethods;

struct FlashHost {
  const FlashHostMethods* methods = &kFlashHostMethods;
  std::uint32_t controlWindow = 0;
  automation::Object* control = nullptr;  // the control's object holder
  std::string pageText;                    // GBK
  std::string pageFile;                    // GBK path
  std::uint32_t colour = 0;                // 0x00BBGGRR
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t hostWindow = 0;
};

// The temporary folder of this run (GBK, ending in "\"): a folder of its own below the
// user's temporary folder, named after the process, made for the user alone. Empty when
// no safe folder can be had.
std::string RunTemporaryFolder();
// Removes this run's temporary folder with what is left in it (at the end of the run).
void RemoveRunTemporaryFolder();
// Removes the temporary folders of runs that have ended (at start-up).
void RemoveEndedRunsTemporaryFolders();

}  // namespace zorvel::app
