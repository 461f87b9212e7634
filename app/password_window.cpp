#include "app/password_window.h"

#include "app/draw/password_cipher.h"
#include "app/draw_record.h"
#include "runtime/memory.h"
#include "runtime/text.h"
#include "runtime/ui/input_box.h"
#include "store/store.h"
#include "text/gbk_literal.h"
#include "windows/units/edit_box/edit_box.h"

namespace zorvel::app::password_window {

using namespace zorvel::literals;
namespace password = ids::password;

namespace {

// The password as stored, deciphered: the empty password when none is stored.
std::string StoredPassword() {
  return draw::Decipher(store::ReadConfig(store::kMainSection, store::kPassword));
}

std::string TypedPassword() { return TextProperty(password::kPasswordBox, forms::edit_box_property::kContent); }

// The program-wide current password: a runtime text (null when empty) that 修改密码
// fills with the stored password and the input box then replaces with the new one.
char*& CurrentPassword() {
  static char* text = nullptr;
  return text;
}

void SetCurrentPassword(const std::string& value) {
  char* fresh = CopyText(std::string_view(value));
  Free(CurrentPassword());
  CurrentPassword() = fresh;
}

}  // namespace

void Enter() {
  // Byte for byte, upper and lower case apart.
  if (TypedPassword() != StoredPassword()) {
    MessageBox("密码不正确！请重新输入。"_gbk, kOkOnly);
    return;
  }
  LoadModal(ids::settings::kWindow);
  CloseWindow(password::kWindow);
}

void Change() {
  SetCurrentPassword(StoredPassword());
  if (TypedPassword() != TextView(CurrentPassword())) {
    MessageBox("请在密码框输入原始密码后再修改！"_gbk, kOkOnly);
    return;
  }
  // A confirmed answer replaces the current password; a cancelled one leaves it, so
  // the old password is stored again (with a new salt).
  Call(cmd::InputBox, "请输入密码"_gbk, "请输入密码"_gbk, kAbsent, Var(CurrentPassword()));
  const std::string fresh(TextView(CurrentPassword()));
  store::WriteConfig(store::kMainSection, store::kPassword, draw::Encipher(fresh));
  record::PasswordChanged();
  if (!fresh.empty()) {
    MessageBox("设置成功！请牢记您的密码！"_gbk, kOkOnly);
    CloseWindow(password::kWindow);
  } else {
    MessageBox("您没有设置任何密码！"_gbk, kOkOnly);
  }
}

}  // namespace zorvel::app::password_window
