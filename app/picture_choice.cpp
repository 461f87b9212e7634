#include "app/picture_choice.h"

#include <filesystem>
#include <system_error>

#include "runtime/picture/picture.h"
#include "text/files.h"
#include "text/gbk_literal.h"
#include "windows/units/common_dialog/common_dialog.h"

namespace zorvel::app {

using namespace zorvel::literals;

namespace {

// The filter the program has always offered, then every kind of picture it reads (in
// either case of the name's ending, as cameras and phones write them).
const char* const kPictureFilter =
    "图形文件(*.jpg)|*.jpg|图形文件(*.jpg;*.jpeg;*.png;*.bmp;*.gif)|"
    "*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.JPG;*.JPEG;*.PNG;*.BMP;*.GIF"_gbk;

bool IsPicture(const std::string& bytes) {
  Picture* picture = DecodePictureBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  const bool usable = picture != nullptr;
  FreePicture(picture);
  return usable;
}

}  // namespace

PictureChoice ChoosePicture(UnitName dialog, const std::string& target) {
  namespace cd = forms::common_dialog;
  SetTextProperty(dialog, cd::kFilter, kPictureFilter);
  if (!OpenDialog(dialog)) return PictureChoice::kCancelled;
  const std::string chosen = TextProperty(dialog, cd::kFileName);
  // A file the decoders refuse (a renamed document, a cut-off download) would leave the
  // screen without a picture: the working picture stays instead.
  if (!IsPicture(ReadWholeFile(chosen))) {
    MessageBox("不是可用的图片文件"_gbk, kOkOnly);
    return PictureChoice::kNotAPicture;
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(NativePath(target)).parent_path(), ignored);
  if (!CopyFile(chosen, target)) {
    MessageBox("图片没能复制到程序文件夹，原来的图片保持不变！"_gbk, kOkOnly);
    return PictureChoice::kNotCopied;
  }
  return PictureChoice::kPlaced;
}

}  // namespace zorvel::app
