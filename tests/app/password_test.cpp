// The password window on real windows and a real config.a: entering the prize settings
// with the stored password, the message for a wrong one, changing the password (old
// password right or wrong, new one confirmed, cancelled or empty, Chinese), the input
// box it asks with, and a stored value edited by hand.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/draw/password_cipher.h"
#include "runtime/commands.h"
#include "runtime/memory.h"
#include "runtime/random.h"
#include "runtime/ui/input_box.h"
#include "runtime/ui/message_box.h"
#include "tests/app/app_test.h"
#include "tests/support/modal_driver.h"
#include "text/gbk_literal.h"
#include "windows/units/edit_box/edit_box.h"

namespace zorvel::app::testing {
namespace {

using namespace zorvel::literals;
namespace password = ids::password;

constexpr const char* kWrongPassword = "密码不正确！请重新输入。";
constexpr const char* kOldPasswordFirst = "请在密码框输入原始密码后再修改！";
constexpr const char* kChanged = "设置成功！请牢记您的密码！";
constexpr const char* kNoPassword = "您没有设置任何密码！";
constexpr const char* kDefaultCaption = "信息：";
constexpr std::uint32_t kOkOnlyAsShown = 0x2000;  // flags 0, OK only; the box adds task-modal

// Stored forms worked out by hand from the cipher's steps (salt first).
constexpr const char* kStoredAbc = "ABNMMKCM";     // "abc", salt AB
constexpr const char* kStoredChouJiang = "MKPMNABBJF";  // "抽奖", salt MK

class PasswordTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ProgramRandom().Seed(1);
  }

  void OpenPasswordWindow() {
    ASSERT_TRUE(forms::LoadAndShowWindow(password::kWindow.window, nullptr, false));
    ASSERT_TRUE(IsOpen(password::kWindow));
  }
  // Types into the password box key by key, Chinese characters included.
  void Type(const QString& text) {
    QWidget* box = WidgetOf(password::kPasswordBox);
    ASSERT_NE(box, nullptr);
    box->setFocus();
    for (const QChar c : text) {
      const Qt::Key key = c.unicode() < 0x80 ? static_cast<Qt::Key>(c.toUpper().unicode()) : Qt::Key_unknown;
      QTest::sendKeyEvent(QTest::Click, box, key, QString(c), Qt::NoModifier);
    }
  }
  void Click(UnitName button) {
    QWidget* w = WidgetOf(button);
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
  }

  // Clicks 进入设置. When the prize settings open, records that and that the password
  // window is still open beneath them, then closes them.
  struct Entered {
    bool settingsOpened = false;
    bool passwordWindowBeneath = false;
  };
  Entered ClickEnter() {
    Entered seen;
    QTimer::singleShot(0, [&] {
      seen.settingsOpened = IsOpen(ids::settings::kWindow);
      seen.passwordWindowBeneath = IsOpen(password::kWindow);
      CloseWindow(ids::settings::kWindow);
    });
    Click(password::kEnterButton);
    QCoreApplication::processEvents();  // a refusal leaves the timer to run here
    return seen;
  }

  std::string Stored() const { return Get("config.a", "zbt", "password"); }
  static std::string Message() { return ui::LastMessageBoxRequest().text; }

  // The stored form of an n-byte password: 2 salt letters A … Z, then 2n letters A … P.
  static void ExpectStoredForm(const std::string& stored, std::size_t n) {
    ASSERT_EQ(stored.size(), 2 + 2 * n) << stored;
    for (std::size_t i = 0; i < stored.size(); ++i)
      EXPECT_TRUE(stored[i] >= 'A' && stored[i] <= (i < 2 ? 'Z' : 'P')) << stored << " at " << i;
  }
};

TEST_F(PasswordTest, InAFreshFolderAnEmptyBoxOpensTheSettingsFromTheMenu) {
  StartProgram();
  Entered seen;
  bool passwordWindowWasModal = false;
  QTimer::singleShot(0, [&] {
    passwordWindowWasModal = forms::loop::ModalWindow() == password::kWindow.window;
    seen = ClickEnter();
  });
  forms::Fire(ids::main::kPrizeSettingsItem.window, ids::main::kPrizeSettingsItem.id, 0);  // returns once closed
  EXPECT_TRUE(passwordWindowWasModal);
  EXPECT_TRUE(seen.settingsOpened);
  EXPECT_TRUE(seen.passwordWindowBeneath);
  EXPECT_FALSE(IsOpen(password::kWindow));
  EXPECT_FALSE(IsOpen(ids::settings::kWindow));
  EXPECT_EQ(Message(), "");  // no message on the way
  EXPECT_EQ(Stored(), "");
}

TEST_F(PasswordTest, TheTypedPasswordMustMatchByteForByte) {
  const struct {
    const char* stored;  // nullptr: no key
    const char* typed;
    bool enters;
  } rows[] = {
      {nullptr, "", true},        {nullptr, "x", false},       {"", "", true},
      {kStoredAbc, "abc", true},  {kStoredAbc, "ABC", false},  {kStoredAbc, "abc ", false},
      {kStoredAbc, "ab", false},  {kStoredAbc, "", false},     {kStoredChouJiang, "抽奖", true},
      {kStoredChouJiang, "抽", false}, {"Q", "", true},        {"QZ", "", true},
  };
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    if (r.stored) SetConfig("password", r.stored);
    else std::filesystem::remove(Path("config.a"));
    ui::ClearMessageBoxAnswers();
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    OpenPasswordWindow();
    Type(QString::fromUtf8(r.typed));
    const Entered seen = ClickEnter();
    EXPECT_EQ(seen.settingsOpened, r.enters) << "row " << row;
    if (r.enters) {
      EXPECT_TRUE(seen.passwordWindowBeneath) << "row " << row;
      EXPECT_EQ(Message(), "") << "row " << row;
      EXPECT_FALSE(IsOpen(password::kWindow)) << "row " << row;
    } else {
      EXPECT_EQ(Message(), kWrongPassword) << "row " << row;
      EXPECT_EQ(ui::LastMessageBoxRequest().caption, kDefaultCaption) << "row " << row;
      EXPECT_EQ(ui::LastMessageBoxRequest().flags, kOkOnlyAsShown) << "row " << row;
      EXPECT_TRUE(IsOpen(password::kWindow)) << "row " << row;
      EXPECT_EQ(TextProperty(password::kPasswordBox, forms::edit_box_property::kContent), gbk::FromUtf8(r.typed))
          << "row " << row;
      CloseWindow(password::kWindow);
      QCoreApplication::processEvents();
    }
    ASSERT_FALSE(IsOpen(password::kWindow)) << "row " << row;
  }
}

TEST_F(PasswordTest, ChangingThePassword) {
  const struct {
    const char* stored;  // nullptr: no key
    const char* typed;   // the old password in the box
    std::optional<std::string> answer;  // the input box: UTF-8 confirmed, nullopt cancelled
    const char* message;
    const char* storedPassword;  // what the stored value deciphers to afterwards
    bool closes;
  } rows[] = {
      {nullptr, "", "1234", kChanged, "1234", true},
      {kStoredAbc, "abc", "xyz", kChanged, "xyz", true},
      {kStoredAbc, "abc", "抽奖", kChanged, "抽奖", true},  // four GBK bytes: ten letters
      {kStoredChouJiang, "抽奖", "Abc", kChanged, "Abc", true},
      // Cancelled: the old password again, under a new salt.
      {kStoredAbc, "abc", std::nullopt, kChanged, "abc", true},
      {nullptr, "", std::nullopt, kNoPassword, "", false},
      // Confirmed empty: no password from now on.
      {kStoredAbc, "abc", "", kNoPassword, "", false},
  };
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    if (r.stored) SetConfig("password", r.stored);
    else std::filesystem::remove(Path("config.a"));
    const std::string before = Stored();
    ui::ClearMessageBoxAnswers();
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    ui::QueueInputBoxAnswer(r.answer);
    OpenPasswordWindow();
    Type(QString::fromUtf8(r.typed));
    Click(password::kChangeButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(Message(), r.message) << "row " << row;
    EXPECT_EQ(ui::LastMessageBoxRequest().caption, kDefaultCaption) << "row " << row;
    EXPECT_EQ(ui::LastMessageBoxRequest().flags, kOkOnlyAsShown) << "row " << row;
    const std::string stored = Stored();
    const std::string plain = gbk::FromUtf8(r.storedPassword);
    ExpectStoredForm(stored, plain.size());
    EXPECT_NE(stored.substr(0, 2), before.substr(0, 2)) << "row " << row << ": a new salt";
    EXPECT_EQ(draw::Decipher(stored), plain) << "row " << row;
    EXPECT_EQ(IsOpen(password::kWindow), !r.closes) << "row " << row;
    if (!r.closes) {
      CloseWindow(password::kWindow);
      QCoreApplication::processEvents();
    }
    // The stored password is the one that enters now.
    OpenPasswordWindow();
    Type(QString::fromUtf8(r.storedPassword));
    EXPECT_TRUE(ClickEnter().settingsOpened) << "row " << row;
    EXPECT_FALSE(IsOpen(password::kWindow)) << "row " << row;
  }
}

TEST_F(PasswordTest, ChangingWithoutTheOldPasswordStoresNothing) {
  const struct {
    const char* stored;
    const char* typed;
  } rows[] = {{kStoredAbc, ""}, {kStoredAbc, "ABC"}, {kStoredChouJiang, "抽"}, {nullptr, "abc"}};
  int row = 0;
  for (const auto& r : rows) {
    ++row;
    if (r.stored) SetConfig("password", r.stored);
    else std::filesystem::remove(Path("config.a"));
    const std::string before = ReadFile("config.a");
    ui::ClearMessageBoxAnswers();
    ui::ClearInputBoxAnswers();
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    ui::QueueInputBoxAnswer("new");
    OpenPasswordWindow();
    Type(QString::fromUtf8(r.typed));
    Click(password::kChangeButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(Message(), kOldPasswordFirst) << "row " << row;
    EXPECT_EQ(ui::LastMessageBoxRequest().flags, kOkOnlyAsShown) << "row " << row;
    EXPECT_EQ(ReadFile("config.a"), before) << "row " << row;
    EXPECT_EQ(Exists("config.a"), r.stored != nullptr) << "row " << row;
    EXPECT_TRUE(IsOpen(password::kWindow)) << "row " << row;
    // The input box was not asked: its answer is still queued.
    char* text = nullptr;
    Call(cmd::InputBox, kAbsent, kAbsent, kAbsent, Var(text));
    EXPECT_EQ(TextView(text), "new") << "row " << row;
    Free(text);
    CloseWindow(password::kWindow);
    QCoreApplication::processEvents();
  }
}

TEST_F(PasswordTest, TheNewPasswordIsAskedForInAnEmptyInputBox) {
  SetConfig("password", kStoredAbc);
  OpenPasswordWindow();
  Type("abc");
  struct {
    std::string title, prompt, entry;
    QLineEdit::EchoMode echo = QLineEdit::Password;
  } seen;
  test::WhenModal([&](QWidget* modal) {
    auto* entry = modal->findChild<QLineEdit*>(QStringLiteral("entry"));
    auto* prompt = modal->findChild<QLabel*>(QStringLiteral("prompt"));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(prompt, nullptr);
    seen.title = modal->windowTitle().toStdString();
    seen.prompt = prompt->text().toStdString();
    seen.entry = entry->text().toStdString();
    seen.echo = entry->echoMode();
    for (const QChar c : QStringLiteral("pw中9"))
      QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("confirm")), Qt::LeftButton);
  });
  ui::QueueMessageBoxAnswer(ui::kAnswerOk);
  Click(password::kChangeButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(seen.title, "请输入密码");
  EXPECT_EQ(seen.prompt, "请输入密码");
  EXPECT_EQ(seen.entry, "");
  EXPECT_EQ(seen.echo, QLineEdit::Normal);
  EXPECT_EQ(Message(), kChanged);
  EXPECT_EQ(draw::Decipher(Stored()), "pw中9"_gbk);
  ExpectStoredForm(Stored(), 5);
  EXPECT_FALSE(IsOpen(password::kWindow));
}

TEST_F(PasswordTest, AStoredValueEditedByHandLocksOutUntilTheKeyIsRemoved) {
  SetConfig("password", "ABNMMKCX");  // "abc" with its last letter changed
  for (const char* typed : {"abc", "", "ABNMMKCX"}) {
    ui::ClearMessageBoxAnswers();
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    ui::QueueMessageBoxAnswer(ui::kAnswerOk);
    OpenPasswordWindow();
    Type(QString::fromUtf8(typed));
    EXPECT_FALSE(ClickEnter().settingsOpened) << typed;
    EXPECT_EQ(Message(), kWrongPassword) << typed;
    Click(password::kChangeButton);  // nor can it be changed
    QCoreApplication::processEvents();
    EXPECT_EQ(Message(), kOldPasswordFirst) << typed;
    EXPECT_EQ(Stored(), "ABNMMKCX") << typed;
    CloseWindow(password::kWindow);
    QCoreApplication::processEvents();
  }
  ASSERT_TRUE(profile::WriteString(Path("config.a"), "zbt", "password", std::nullopt));
  OpenPasswordWindow();
  EXPECT_TRUE(ClickEnter().settingsOpened);
  EXPECT_FALSE(IsOpen(password::kWindow));
}

}  // namespace
}  // namespace zorvel::app::testing
