// The window unit (type code 0x00010001): unit 0 of every window template, the
// top-level native window itself with its frame, title, background, menu bar, shape,
// icon and window-level events. The other units of the template live in its client
// area.
#pragma once

#include <QRegion>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "windows/events.h"
#include "windows/unit.h"

class QMenuBar;

namespace zorvel {
struct PreparedPicture;
}

namespace zorvel::forms {

inline constexpr std::uint32_t kWindowUnitType = 0x00010001;

// The window unit's own properties.
namespace window_property {
inline constexpr int kTitle = 8;
inline constexpr int kBorder = 9;  // 0 none … 6 sunken-edge fixed
inline constexpr int kBackColour = 10;
inline constexpr int kBackPicture = 11;
inline constexpr int kBackPictureMode = 12;  // 0 top-left, 1 tiled, 2 centred, 3 stretched
inline constexpr int kMusic = 13;
inline constexpr int kMusicMode = 14;  // 0 loop, 1 once, 2 do not play
inline constexpr int kControlBox = 15;
inline constexpr int kMaximiseButton = 16;
inline constexpr int kMinimiseButton = 17;
inline constexpr int kPosition = 18;  // 0 as stored, 1 centred, 2 minimised, 3 maximised
inline constexpr int kMovable = 19;
inline constexpr int kIcon = 20;
inline constexpr int kEnterMovesFocus = 21;
inline constexpr int kEscCloses = 22;
inline constexpr int kF1OpensHelp = 23;
inline constexpr int kHelpFile = 24;
inline constexpr int kHelpContext = 25;
inline constexpr int kShowInTaskBar = 26;
inline constexpr int kDragAnywhere = 27;
inline constexpr int kShape = 28;  // 0-29
inline constexpr int kAlwaysOnTop = 29;
inline constexpr int kKeepTitleActive = 30;
inline constexpr int kClassName = 31;
}  // namespace window_property

// Where the background music of windows goes: called with the music bytes and play mode
// (0 loop, 1 once) to start it, and with empty bytes to stop the window's music.
using WindowMusicHook = void (*)(std::uint32_t windowId, std::string_view bytes, int playMode);
void SetWindowMusicHook(WindowMusicHook hook);

class WindowWidget;

class WindowUnit : public Unit {
 public:
  // The create entry: defaults, the stored block, then the native window. Null when the
  // block is bad.
  static std::unique_ptr<Unit> Create(const CreateArgs& args);

  WindowUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);
  ~WindowUnit() override;

  QWidget* Widget() const override;
  // The area that holds the window's units: below the menu bar, inside a sunken edge.
  QWidget* Client() const override;
  bool Apply(int index) override;
  std::optional<PropertyValue> Read(int index) const override;

  // Takes ownership of the bar (null: none) and deletes the old one. A bar without a
  // visible action is not shown and takes no room.
  void SetMenuBar(QMenuBar* bar);
  QMenuBar* MenuBar() const;

  // Moves and resizes the window to an outer rectangle (frame included, as properties
  // 0-3 give it). A fixed-border window, which the user cannot resize, takes the new
  // size too, which a plain QWidget::resize would refuse.
  void SetWindowGeometry(const QRect& rect);

  // Whether the load that created the window was modal.
  bool CreatedModal() const { return createdModal_; }

  // What the keyboard and mouse handling of the window asks.
  bool EnterMovesFocus() const { return Property(window_property::kEnterMovesFocus).word != 0; }
  bool EscCloses() const { return Property(window_property::kEscCloses).word != 0; }
  bool F1Help() const { return Property(window_property::kF1OpensHelp).word != 0; }
  bool DragAnywhere() const { return Property(window_property::kDragAnywhere).word != 0; }
  bool Movable() const { return Property(window_property::kMovable).word != 0; }
  bool AlwaysOnTop() const { return Property(window_property::kAlwaysOnTop).word != 0; }
  bool ShowInTaskBar() const { return Property(window_property::kShowInTaskBar).word != 0; }
  std::int32_t HelpContext() const { return Property(window_property::kHelpContext).word; }

  // Opens the help file (the help-file property, or the program's own name with the
  // extension "hlp") with the desktop's viewer. False when the file does not exist.
  bool OpenHelp();
  bool HelpOpened() const { return helpOpened_; }

  // The window region of a shape (0-29) for a window of the given size; shape 0 (and
  // any other number outside the table) is the empty region, meaning no mask.
  static QRegion ShapeRegion(int shape, int width, int height);

 private:
  friend class WindowWidget;
  friend class WindowClient;

  void ApplyFlags();
  void ApplyIcon();
  void ApplyShape();
  void ApplyPosition();
  void ApplyFixedSize();
  void ApplyAlwaysOnTop();
  // Makes the window topmost again (after another window gave up being topmost).
  void ReassertTopmost();
  void StartMusic();
  void StopMusic();
  void Centre();
  // The back picture, decoded on first use; null when there is none or it does not
  // decode.
  const PreparedPicture* BackPicture();
  // True while this unit is the window unit of a loaded window: events fire only then.
  bool Live() const;

  WindowWidget* widget_ = nullptr;
  std::unique_ptr<PreparedPicture> backPicture_;
  bool backPictureDecoded_ = false;
  bool createdModal_ = false;
  bool musicPlaying_ = false;
  bool helpOpened_ = false;
  bool firstActivationDone_ = false;
  // The frame rectangle's size asked for while the window was hidden, when the window
  // system had not told its frame yet: the first show gives it again with the frame known.
  std::optional<QSize> outerBeforeShow_;
};

void RegisterWindowUnitType();

}  // namespace zorvel::forms
