// The common dialog unit (CommonDlg): a unit without a window of its own that shows the
// file-open, file-save and font dialogs, or opens a help file, when the application asks
// (OpenCommonDialog), and keeps the user's choice in its properties.
//
// Properties: 8 kind (0 open, 1 save, 2 font, 3 help), 9 title, 10 file name, 11 filter
// ("description|pattern|…"), 12 initial filter from 0, 13 initial folder, 14 default
// extension, 15-19 file dialog flags (create prompt, file must exist, overwrite prompt,
// path must exist, keep the current folder), 20 font colour, 21 bold, 22 italic,
// 23 strike-out, 24 underline, 25 face name, 26 size in points (0: the dialog's own),
// 27 help file, 28 help command 0-5, 29 help context.
#pragma once

#include <QFileDialog>
#include <QFont>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/commands.h"
#include "windows/unit.h"

namespace zorvel::cmd {

// OpenCommonDialog(common dialog unit) -> logical: true when the user confirmed; false
// when cancelled, when the help file is missing or when the kind is none of the four.
ZORVEL_COMMAND(OpenCommonDialog);

}  // namespace zorvel::cmd

namespace zorvel::forms {

inline constexpr std::uint32_t kCommonDlgType = 0x0001001F;

namespace common_dialog {
// Property indexes.
enum : int {
  kKind = 8, kTitle, kFileName, kFilter, kFilterIndex, kInitialFolder, kDefaultExtension,
  kCreatePrompt, kFileMustExist, kOverwritePrompt, kPathMustExist, kNoChangeFolder,
  kFontColour, kBold, kItalic, kStrikeOut, kUnderline, kFaceName, kFontSize,
  kHelpFile, kHelpCommand, kHelpContext,
};
enum : int { kOpenFile = 0, kSaveFile = 1, kFont = 2, kHelp = 3 };
}  // namespace common_dialog

class CommonDialogUnit : public Unit {
 public:
  CommonDialogUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId);

  QWidget* Widget() const override { return nullptr; }
  // Nothing is shown, so every property takes effect when the dialog opens.
  bool Apply(int) override { return false; }

  // Shows the dialog of the kind property (modal, its window as owner) and takes the
  // choice into the properties; true when confirmed.
  bool Open();

 private:
  bool OpenFile(bool save);
  bool OpenFont();
  bool OpenHelp();
};

// The create entry and the registration of the type.
std::unique_ptr<Unit> CreateCommonDialog(const CreateArgs& args);
void RegisterCommonDialogType();

// The filter as the platform dialog takes it: trailing blanks removed and "||" added
// when it does not end so (GBK in, GBK out); and its (description, pattern) pairs as Qt
// name filters "description (pattern …)", up to the first empty description.
std::string PlatformFilter(std::string_view gbkFilter);
QStringList NameFilters(std::string_view gbkPlatformFilter);

// ---- Test hooks ----

// The user's answer to the next dialog. While answers are queued, each OpenCommonDialog
// takes the first one instead of showing a dialog (the dialog is still described in the
// last request); for an existing help file an answer of any kind stands for the viewer,
// which is then not started. An answer of the wrong kind for a dialog counts as a cancel.
struct CommonDialogAnswer {
  enum class Kind { kCancel, kFile, kFont } kind = Kind::kCancel;
  std::string path;          // kFile: the chosen file's full path, UTF-8
  QFont font;                // kFont: the chosen font
  std::uint32_t colour = 0;  // kFont: the chosen colour, 0x00BBGGRR
};
void QueueCommonDialogAnswer(CommonDialogAnswer answer);
void ClearCommonDialogAnswers();

// What the last OpenCommonDialog asked of the platform, shown or answered from the queue.
struct CommonDialogRequest {
  int kind = -1;
  std::string title;          // UTF-8; empty: the platform's own
  std::string filter;         // UTF-8, with the closing "||"; empty without a filter
  QStringList nameFilters;
  int filterIndex = 0;        // counted from 1; 0 without a filter
  std::string initialName;    // UTF-8
  std::string initialFolder;  // UTF-8
  std::string defaultExtension;
  QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
  QFileDialog::Options options;
  bool createPrompt = false, fileMustExist = false, overwritePrompt = false, pathMustExist = false,
       noChangeFolder = false;
  QFont startFont;                // kind 2
  std::uint32_t startColour = 0;  // kind 2
  std::string helpFile;           // kind 3, native path
  int helpCommand = 0;
  int helpContext = 0;
};
const CommonDialogRequest& LastCommonDialogRequest();

}  // namespace zorvel::forms
