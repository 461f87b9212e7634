#include "runtime/ui/input_box.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "runtime/memory.h"
#include "tests/support/modal_driver.h"
#include "text/gbk.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {

using namespace zorvel::literals;

std::string Rect(const QWidget* w) {
  if (!w) return "none";
  const QRect r = w->geometry();
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

struct Seen {
  std::string title, entryText, selected, layout, confirm, cancel;
  QLineEdit::EchoMode echo = QLineEdit::Normal;
};

// While the dialog runs: records it, types `typed` into the entry, then presses `key`.
void Drive(Seen* seen, const QString& typed, Qt::Key key) {
  test::WhenModal([=](QWidget* modal) {
    auto* entry = modal->findChild<QLineEdit*>(QStringLiteral("entry"));
    auto* confirm = modal->findChild<QPushButton*>(QStringLiteral("confirm"));
    auto* cancel = modal->findChild<QPushButton*>(QStringLiteral("cancel"));
    seen->title = modal->windowTitle().toStdString();
    seen->selected = entry->selectedText().toStdString();
    seen->echo = entry->echoMode();
    seen->layout = std::to_string(modal->width()) + "x" + std::to_string(modal->height()) +
                   " prompt " + Rect(modal->findChild<QLabel*>(QStringLiteral("prompt"))) + " entry " + Rect(entry) +
                   " ok " + Rect(confirm) + " cancel " + Rect(cancel);
    seen->confirm = confirm->text().toStdString() + (confirm->isDefault() ? " default" : "");
    seen->cancel = cancel->text().toStdString();
    if (!typed.isEmpty()) {
      entry->clear();
      // Key by key with the character as the key text (keyClicks knows ASCII only).
      for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    seen->entryText = entry->text().toStdString();
    QTest::keyClick(entry, key);
  });
}

TEST(InputBoxTest, LayoutInPixels) {
  struct Row {
    const char* prompt;
    const char* layout;
  };
  const Row rows[] = {
      {"请输入主标题", "378x138 prompt 11,11 357x53 entry 11,68 357x18 ok 95,99 83x29 cancel 201,99 83x29"},
      {"", "321x84 prompt none entry 11,11 300x18 ok 123,45 83x29 cancel 227,45 83x29"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Seen seen;
    Drive(&seen, QString(), Qt::Key_Escape);
    std::int32_t n = 0;
    Call(cmd::InputBox, gbk::FromUtf8(rows[i].prompt), kAbsent, "初始"_gbk, Var(n));
    EXPECT_EQ(seen.layout, rows[i].layout) << "row " << i;
    EXPECT_EQ(seen.title, "请输入：") << "row " << i;
    EXPECT_EQ(seen.selected, "初始") << "row " << i;
    EXPECT_EQ(seen.confirm, "确认输入(&O) default") << "row " << i;
    EXPECT_EQ(seen.cancel, "取消(&C)") << "row " << i;
  }
}

TEST(InputBoxTest, ModesFilterTypingAndMask) {
  struct Row {
    int mode;
    const char* typed;
    const char* shown;
    QLineEdit::EchoMode echo;
  };
  const Row rows[] = {
      {1, "12ab-3.5", "12ab-3.5", QLineEdit::Normal}, {2, "12ab-3", "12-3", QLineEdit::Normal},
      {3, "1x.5-e", "1.5-", QLineEdit::Normal},       {4, "secret", "secret", QLineEdit::Password},
      {0, "a1", "a1", QLineEdit::Normal},  // clamped to 1
      {9, "pw", "pw", QLineEdit::Password},  // clamped to 4
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Seen seen;
    Drive(&seen, QString::fromUtf8(rows[i].typed), Qt::Key_Return);
    char* text = nullptr;
    const Value v = Call(cmd::InputBox, "p", "标题"_gbk, kAbsent, Var(text), rows[i].mode);
    EXPECT_TRUE(v.logical()) << "row " << i;
    EXPECT_EQ(seen.entryText, rows[i].shown) << "row " << i;
    EXPECT_EQ(std::string(TextView(text)), rows[i].shown) << "row " << i;
    EXPECT_EQ(seen.echo, rows[i].echo) << "row " << i;
    EXPECT_EQ(seen.title, "标题") << "row " << i;
    Free(text);
  }
}

TEST(InputBoxTest, ConfirmStoresByTypeCancelLeaves) {
  std::int32_t integer = 7;
  double number = 1.5;
  std::int64_t big = 1;
  char* text = CopyText("旧"_gbk);
  Seen seen;
  // 1: integer confirmed; 2: integer cancelled; 3: double; 4: long; 5: text; 6: empty text is null.
  Drive(&seen, QStringLiteral("-42"), Qt::Key_Return);
  EXPECT_TRUE(Call(cmd::InputBox, kAbsent, kAbsent, kAbsent, Var(integer), 2).logical());
  EXPECT_EQ(integer, -42);
  Drive(&seen, QStringLiteral("99"), Qt::Key_Escape);
  EXPECT_FALSE(Call(cmd::InputBox, kAbsent, kAbsent, kAbsent, Var(integer), 2).logical());
  EXPECT_EQ(integer, -42);
  Drive(&seen, QStringLiteral("-3.25"), Qt::Key_Return);
  EXPECT_TRUE(Call(cmd::InputBox, kAbsent, kAbsent, kAbsent, Var(number), 3).logical());
  EXPECT_EQ(number, -3.25);
  Drive(&seen, QStringLiteral("9000000000"), Qt::Key_Return);
  EXPECT_TRUE(Call(cmd::InputBox, kAbsent, kAbsent, kAbsent, Var(big), 2).logical());
  EXPECT_EQ(big, 9000000000LL);
  Drive(&seen, QStringLiteral("新文本"), Qt::Key_Return);
  EXPECT_TRUE(Call(cmd::InputBox, kAbsent, kAbsent, "旧"_gbk, Var(text)).logical());
  EXPECT_EQ(gbk::ToUtf8(TextView(text)), "新文本");
  Drive(&seen, QString(), Qt::Key_Return);  // the entry keeps the initial text
  Call(cmd::InputBox, kAbsent, kAbsent, kAbsent, Var(text));
  EXPECT_EQ(text, nullptr);
  Free(text);
}

TEST(InputBoxTest, QueuedAnswersSkipTheDialog) {
  std::int32_t n = 3;
  ui::QueueInputBoxAnswer(std::string("15"));
  ui::QueueInputBoxAnswer(std::nullopt);
  EXPECT_TRUE(Call(cmd::InputBox, "p", kAbsent, kAbsent, Var(n)).logical());
  EXPECT_EQ(n, 15);
  EXPECT_FALSE(Call(cmd::InputBox, "p", kAbsent, kAbsent, Var(n)).logical());
  EXPECT_EQ(n, 15);
}

}  // namespace
}  // namespace zorvel
