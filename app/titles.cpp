#include "app/titles.h"

#include "app/facade.h"
#include "store/store.h"
#include "text/gbk_literal.h"
#include "windows/events.h"
#include "windows/units/common_dialog/common_dialog.h"
#include "windows/units/trans_label/trans_label.h"

namespace zorvel::app::titles {

using namespace zorvel::literals;
namespace main = ids::main;
namespace label = forms::trans_label;

namespace {

// One title: its label and the keys it is stored under.
struct Title {
  UnitName label;
  const char* textKey;
  const char* offeredText;  // what the input box offers while no text is stored
  const char* prompt;       // the input box's prompt and title
  const char* faceKey;
  const char* sizeKey;
  const char* colourKey;
  const char* leftKey;
  const char* topKey;
};

const Title& MainTitle() {
  static const Title title{main::kMainTitle,       store::kMainTitle,         store::kDefaultMainTitle,
                           "请输入主标题"_gbk,       store::kMainTitleFont,     store::kMainTitleFontSize,
                           store::kMainTitleColour, store::kMainTitleLeft,    store::kMainTitleTop};
  return title;
}

const Title& SubTitle() {
  static const Title title{main::kSubTitle,       store::kSubTitle,         store::kDefaultSubTitle,
                           "请输入副标题"_gbk,      store::kSubTitleFont,     store::kSubTitleFontSize,
                           store::kSubTitleColour, store::kSubTitleLeft,    store::kSubTitleTop};
  return title;
}

void EditText(const Title& title) {
  const std::string offered = store::ReadConfig(store::kMainSection, title.textKey, title.offeredText);
  const std::optional<std::string> entered = InputBox(title.prompt, title.prompt, offered, 1);
  if (!entered) return;
  // An empty entry is taken: it blanks the title (and, stored empty, counts as no text
  // at the next start).
  SetTextProperty(title.label, label::kTitle, *entered);
  store::WriteConfig(store::kMainSection, title.textKey, *entered);
}

void ChooseFont(const Title& title) {
  namespace cd = forms::common_dialog;
  FontValue font;
  font.face = "宋体"_gbk;
  // The dialog starts from its own last confirmed choice, not from the title.
  if (OpenDialog(main::kFontDialog)) {
    font.bold = IntegerProperty(main::kFontDialog, cd::kBold) != 0;
    font.italic = IntegerProperty(main::kFontDialog, cd::kItalic) != 0;
    font.underline = IntegerProperty(main::kFontDialog, cd::kUnderline) != 0;
    font.strikeOut = IntegerProperty(main::kFontDialog, cd::kStrikeOut) != 0;
    font.size = IntegerProperty(main::kFontDialog, cd::kFontSize);
    font.face = TextProperty(main::kFontDialog, cd::kFaceName);
    SetFont(title.label, label::kFont, font);
    SetIntegerProperty(title.label, label::kTextColour, IntegerProperty(main::kFontDialog, cd::kFontColour));
  }
  // Confirmed or not, the title's face, size and colour are stored, and its height
  // follows its size.
  const std::int32_t size = FontField(title.label, label::kFont, kFontSize);
  store::WriteConfig(store::kColourSection, title.faceKey, FontFace(title.label, label::kFont));
  store::WriteConfig(store::kColourSection, title.sizeKey, store::NumberText(size));
  store::WriteConfig(store::kColourSection, title.colourKey,
                     store::NumberText(IntegerProperty(title.label, label::kTextColour)));
  SetHeight(title.label, static_cast<std::int32_t>(size * 1.8));
}

void Drag(const Title& title, std::span<const std::int32_t> arguments) {
  // Ctrl alone: a plain click, or one with Shift or Alt, neither moves nor stores.
  if (arguments.size() < 3 || arguments[2] != forms::kKeyCtrl) return;
  DragUnit(title.label);
  store::WriteConfig(store::kMainSection, title.leftKey, store::NumberText(Left(title.label)));
  store::WriteConfig(store::kMainSection, title.topKey, store::NumberText(Top(title.label)));
}

}  // namespace

void EditMainTitle() { EditText(MainTitle()); }
void EditSubTitle() { EditText(SubTitle()); }
void ChooseMainTitleFont() { ChooseFont(MainTitle()); }
void ChooseSubTitleFont() { ChooseFont(SubTitle()); }
void MainTitleLeftDown(std::span<const std::int32_t> arguments) { Drag(MainTitle(), arguments); }
void SubTitleLeftDown(std::span<const std::int32_t> arguments) { Drag(SubTitle(), arguments); }

}  // namespace zorvel::app::titles
