#include "windows/units/common_dialog/common_dialog.h"

#include <QColor>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <deque>
#include <string_view>

#include "runtime/program.h"
#include "runtime/ui/message_box.h"
#include "text/files.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"
#include "windows/font.h"
#include "windows/unit_ref.h"
#include "windows/windows.h"

namespace zorvel::forms {
namespace {

using namespace common_dialog;
using namespace zorvel::literals;

std::deque<CommonDialogAnswer>& QueuedAnswers() {
  static std::deque<CommonDialogAnswer> answers;
  return answers;
}

CommonDialogRequest& LastRequest() {
  static CommonDialogRequest request;
  return request;
}

std::optional<CommonDialogAnswer> TakeAnswer() {
  if (QueuedAnswers().empty()) return std::nullopt;
  CommonDialogAnswer answer = std::move(QueuedAnswers().front());
  QueuedAnswers().pop_front();
  return answer;
}

QString Utf8(std::string_view gbkText) { return QString::fromStdString(gbk::ToUtf8(gbkText)); }

std::string StripTrailingBlanks(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

QWidget* OwnerOf(std::uint32_t windowId) {
  const LoadedWindow* loaded = FindLoadedWindow(windowId);
  return loaded != nullptr ? loaded->Widget() : nullptr;
}

// ---- The font dialog: Qt's font chooser with the colour choice beside it ----

struct NamedColour {
  const char* name;  // UTF-8
  std::uint32_t value;  // 0x00BBGGRR
};
constexpr NamedColour kColours[] = {
    {"黑色", 0x000000},   {"褐红色", 0x000080}, {"绿色", 0x008000}, {"橄榄色", 0x008080},
    {"深蓝色", 0x800000}, {"紫色", 0x800080},   {"深青色", 0x808000}, {"灰色", 0x808080},
    {"银色", 0xC0C0C0},   {"红色", 0x0000FF},   {"酸橙色", 0x00FF00}, {"黄色", 0x00FFFF},
    {"蓝色", 0xFF0000},   {"紫红色", 0xFF00FF}, {"水绿色", 0xFFFF00}, {"白色", 0xFFFFFF},
};

QColor ToQColor(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

class FontChooser : public QDialog {
 public:
  FontChooser(QWidget* owner, const QFont& start, std::uint32_t colour) : QDialog(owner) {
    setWindowTitle(QString::fromUtf8("字体"));
    fonts_ = new QFontDialog(this);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setCurrentFont(start);
    colours_ = new QComboBox(this);
    bool known = false;
    for (const NamedColour& c : kColours) known = known || c.value == (colour & 0xFFFFFF);
    if (!known) AddColour(QString::fromUtf8("自定义"), colour);
    for (const NamedColour& c : kColours) AddColour(QString::fromUtf8(c.name), c.value);
    colours_->setCurrentIndex(colours_->findData(static_cast<uint>(colour)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* colourRow = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8("颜色(&C):"), this);
    label->setBuddy(colours_);
    colourRow->addWidget(label);
    colourRow->addWidget(colours_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
  }

  QFont Font() const { return fonts_->currentFont(); }
  std::uint32_t Colour() const { return colours_->currentData().toUInt(); }

 private:
  void AddColour(const QString& name, std::uint32_t value) {
    QPixmap swatch(16, 12);
    swatch.fill(ToQColor(value));
    colours_->addItem(QIcon(swatch), name, static_cast<uint>(value));
  }

  QFontDialog* fonts_ = nullptr;
  QComboBox* colours_ = nullptr;
};

// The face name to keep for a chosen family: the name the program knows when the
// family is the one standing for it (the current face first), else the family itself.
std::string FaceNameFor(const QString& family, std::string_view currentFace) {
  static constexpr std::string_view kKnown[] = {"宋体"_gbk, "黑体"_gbk, "楷体"_gbk, "隶书"_gbk,
                                                "新宋体"_gbk, "仿宋"_gbk, "微软雅黑"_gbk};
  if (!currentFace.empty() && SubstituteFace(currentFace).compare(family, Qt::CaseInsensitive) == 0)
    return std::string(currentFace);
  for (std::string_view known : kKnown)
    if (SubstituteFace(known).compare(family, Qt::CaseInsensitive) == 0) return std::string(known);
  return gbk::FromUtf8(family.toStdString());
}

}  // namespace

std::string PlatformFilter(std::string_view gbkFilter) {
  std::string filter = StripTrailingBlanks(gbkFilter);
  if (filter.size() < 2 || filter.compare(filter.size() - 2, 2, "||") != 0) filter += "||";
  return filter;
}

QStringList NameFilters(std::string_view gbkPlatformFilter) {
  const QStringList parts = Utf8(gbkPlatformFilter).split(QLatin1Char('|'));
  QStringList filters;
  // The list ends at its first empty part, description or pattern.
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() || parts[i + 1].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')');
  }
  return filters;
}

CommonDialogUnit::CommonDialogUnit(const UnitLayout& layout, std::uint32_t windowId, std::uint32_t unitId)
    : Unit(layout, windowId, unitId) {}

bool CommonDialogUnit::Open() {
  switch (Property(kKind).word) {
    case kOpenFile: return OpenFile(false);
    case kSaveFile: return OpenFile(true);
    case kFont: return OpenFont();
    case kHelp: return OpenHelp();
    default: return false;
  }
}

bool CommonDialogUnit::OpenFile(bool save) {
  CommonDialogRequest r;
  r.kind = save ? kSaveFile : kOpenFile;
  r.title = gbk::ToUtf8(Property(kTitle).bytes);
  r.createPrompt = Property(kCreatePrompt).word != 0;
  r.fileMustExist = Property(kFileMustExist).word != 0;
  r.overwritePrompt = Property(kOverwritePrompt).word != 0;
  r.pathMustExist = Property(kPathMustExist).word != 0;
  r.noChangeFolder = Property(kNoChangeFolder).word != 0;
  if (!StripTrailingBlanks(Property(kFilter).bytes).empty()) {
    const std::string platform = PlatformFilter(Property(kFilter).bytes);
    r.filter = gbk::ToUtf8(platform);
    r.nameFilters = NameFilters(platform);
    r.filterIndex = std::max(Property(kFilterIndex).word, 0) + 1;
  }
  if (!Property(kFileName).bytes.empty()) r.initialName = NativePath(Property(kFileName).bytes);
  if (!Property(kInitialFolder).bytes.empty()) r.initialFolder = NativePath(Property(kInitialFolder).bytes);
  r.defaultExtension = gbk::ToUtf8(Property(kDefaultExtension).bytes);
  // Qt's dialogs have no read-only box to hide; a file that must exist is an existing
  // file to open; the save dialog asks before overwriting unless told not to.
  r.fileMode = !save && r.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile;
  if (save && !r.overwritePrompt) r.options |= QFileDialog::DontConfirmOverwrite;
  LastRequest() = r;

  // Asks whether to create a file that does not exist; true to go on with it.
  auto mayCreate = [&](const QString& path) {
    if (save || !r.createPrompt || r.fileMustExist || QFileInfo::exists(path)) return true;
    const std::string text = gbk::FromUtf8(path.toStdString()) + "\r\n"_gbk + "该文件不存在。\r\n要创建该文件吗？"_gbk;
    const std::string caption = r.title.empty() ? std::string("打开"_gbk) : gbk::FromUtf8(r.title);
    return ui::ShowMessageBox(text, caption, 0x34) == ui::kAnswerYes;
  };

  QString chosen;
  if (std::optional<CommonDialogAnswer> answer = TakeAnswer()) {
    if (answer->kind != CommonDialogAnswer::Kind::kFile) return false;
    chosen = QFileInfo(QString::fromStdString(answer->path)).absoluteFilePath();
    if (!mayCreate(chosen)) return false;
  } else {
    QFileDialog dialog(OwnerOf(WindowId()), QString::fromStdString(r.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.fileMode);
    dialog.setOptions(r.options);
    if (!r.nameFilters.isEmpty()) {
      dialog.setNameFilters(r.nameFilters);
      const qsizetype index = r.filterIndex - 1;
      dialog.selectNameFilter(r.nameFilters[index < r.nameFilters.size() ? index : 0]);
    }
    if (!r.defaultExtension.empty()) {
      QString suffix = QString::fromStdString(r.defaultExtension);
      while (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
      dialog.setDefaultSuffix(suffix);
    }
    if (!r.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(r.initialFolder));
    if (!r.initialName.empty()) dialog.selectFile(QString::fromStdString(r.initialName));
    for (;;) {
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
      chosen = QFileInfo(dialog.selectedFiles().front()).absoluteFilePath();
      if (mayCreate(chosen)) break;
    }
  }
  Property(kFileName).bytes = gbk::FromNativePath(QFile::encodeName(chosen).toStdString());
  if (!r.noChangeFolder) QDir::setCurrent(QFileInfo(chosen).absolutePath());
  return true;
}

bool CommonDialogUnit::OpenFont() {
  CommonDialogRequest r;
  r.kind = kFont;
  const std::string& face = Property(kFaceName).bytes;
  QFont start;
  if (!face.empty()) start.setFamily(SubstituteFace(face));
  if (Property(kFontSize).word != 0) start.setPointSize(Property(kFontSize).word);
  start.setWeight(Property(kBold).word != 0 ? QFont::Bold : QFont::Normal);
  start.setItalic(Property(kItalic).word != 0);
  start.setStrikeOut(Property(kStrikeOut).word != 0);
  start.setUnderline(Property(kUnderline).word != 0);
  r.startFont = start;
  r.startColour = static_cast<std::uint32_t>(Property(kFontColour).word);
  LastRequest() = r;

  QFont font;
  std::uint32_t colour = 0;
  if (std::optional<CommonDialogAnswer> answer = TakeAnswer()) {
    if (answer->kind != CommonDialogAnswer::Kind::kFont) return false;
    font = answer->font;
    colour = answer->colour;
  } else {
    FontChooser chooser(OwnerOf(WindowId()), start, r.startColour);
    if (chooser.exec() != QDialog::Accepted) return false;
    font = chooser.Font();
    colour = chooser.Colour();
  }
  // The size goes through the height in screen pixels, as a logical font holds it.
  const int dpi = ScreenDpi();
  const std::int32_t height = font.pixelSize() > 0 ? -font.pixelSize() : -qRound(font.pointSizeF() * dpi / 72.0);
  Property(kFontColour).word = static_cast<std::int32_t>(colour);
  Property(kBold).word = font.weight() >= QFont::Bold ? 1 : 0;
  Property(kItalic).word = font.italic() ? 1 : 0;
  Property(kStrikeOut).word = font.strikeOut() ? 1 : 0;
  Property(kUnderline).word = font.underline() ? 1 : 0;
  Property(kFaceName).bytes = FaceNameFor(font.family(), face);
  Property(kFontSize).word = PointsFromHeight(height, dpi);
  return true;
}

bool CommonDialogUnit::OpenHelp() {
  CommonDialogRequest r;
  r.kind = kHelp;
  r.helpCommand = Property(kHelpCommand).word;
  r.helpContext = Property(kHelpContext).word;
  std::string file = Property(kHelpFile).bytes;
  if (file.empty()) {
    // The program's own name with the extension "hlp", in the program folder.
    std::string name = ProgramFileName();
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    file = std::string(RunDirectory()) + "\\" + name + ".hlp";
  }
  r.helpFile = NativePath(file);
  LastRequest() = r;
  // Help on help and closing help need no file.
  if (r.helpCommand == 4 || r.helpCommand == 5) return true;
  if (!QFileInfo::exists(QString::fromStdString(r.helpFile))) return false;
  // The platform's viewer for the file shows its contents; it has no topics to go to.
  if (!TakeAnswer()) QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(r.helpFile)));
  return true;
}

std::unique_ptr<Unit> CreateCommonDialog(const CreateArgs& args) {
  const UnitLayout* layout = FindUnitLayout(kCommonDlgType);
  if (layout == nullptr) return nullptr;
  auto unit = std::make_unique<CommonDialogUnit>(*layout, args.windowId, args.unitId);
  if (!unit->ReadStoredBlock(args.stored)) return nullptr;
  return unit;
}

void RegisterCommonDialogType() {
  RegisterUnitType(UnitTypeInfo{FindUnitLayout(kCommonDlgType), kStateNeverShown | kStateWindowed, &CreateCommonDialog});
}

void QueueCommonDialogAnswer(CommonDialogAnswer answer) { QueuedAnswers().push_back(std::move(answer)); }
void ClearCommonDialogAnswers() { QueuedAnswers().clear(); }
const CommonDialogRequest& LastCommonDialogRequest() { return LastRequest(); }

}  // namespace zorvel::forms

namespace zorvel::cmd {

ZORVEL_COMMAND(OpenCommonDialog) {
  using namespace zorvel::forms;
  const Arguments a(argc, args);
  bool confirmed = false;
  if (a.present(0)) {
    const UnitRef ref = ReadUnitArgument(a[0]);
    if (auto* dialog = dynamic_cast<CommonDialogUnit*>(&RequireUnitObject(ref.window, ref.unit)))
      confirmed = dialog->Open();
  }
  *result = TypedValue::Logical(confirmed);
}

}  // namespace zorvel::cmd
