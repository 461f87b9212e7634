#include "runtime/ui/message_box.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "tests/support/modal_driver.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {

using namespace zorvel::literals;

struct Shown {
  QString title;
  QString text;
  QStringList buttons;
  QString defaultButton;
};

// Shows a real box, records what it showed, then presses a button (by text), a key or
// the close box ("close").
int ShowAndAnswer(const TypedValue& content, int flags, Shown* shown, const QString& press, int key = 0) {
  test::WhenModal([=](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) return;
    shown->title = box->windowTitle();
    shown->text = box->text();
    for (QAbstractButton* b : box->buttons()) {
      shown->buttons << b->text();
      if (b->text() == press) b->click();
    }
    if (box->defaultButton()) shown->defaultButton = box->defaultButton()->text();
    if (key) QTest::keyClick(box, static_cast<Qt::Key>(key));
    if (press == QLatin1String("close")) box->close();
    // A key the box ignores leaves it open: close it through its first button.
    if (box->isVisible() && box->buttons().size()) box->buttons().front()->click();
  });
  const TypedValue records[] = {content, TypedValue::Integer(flags)};
  return Invoke(cmd::MessageBox, 2, records).AsInteger();
}

TEST(MessageBoxTest, ButtonSetsAnswers) {
  struct Row {
    int flags;
    const char* press;  // a button text, or null to press the key
    int key;
    int answer;
    int buttonCount;
  };
  const Row rows[] = {
      {0, "确定", 0, 0, 1},       {0, nullptr, Qt::Key_Escape, 0, 1},  {1, "取消", 0, 1, 2},
      {1, nullptr, Qt::Key_Escape, 1, 2}, {2, "中止(&A)", 0, 2, 3},   {2, "重试(&R)", 0, 3, 3},
      {2, "忽略(&I)", 0, 4, 3},   {3, "是(&Y)", 0, 5, 3},             {3, nullptr, Qt::Key_Escape, 1, 3},
      {4, "否(&N)", 0, 6, 2},     {5, "重试(&R)", 0, 3, 2},           {5, nullptr, Qt::Key_Escape, 1, 2},
      // Esc does nothing without Cancel or OK: the first button closes it afterwards.
      {4, nullptr, Qt::Key_Escape, 5, 2},
      // The close box as Esc.
      {0, "close", 0, 0, 1},      {3, "close", 0, 1, 3},              {4, "close", 0, 5, 2},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    Shown shown;
    const int answer = ShowAndAnswer(TypedValue::Text("x"), r.flags, &shown,
                                     r.press ? QString::fromUtf8(r.press) : QString(), r.key);
    EXPECT_EQ(answer, r.answer) << "row " << i;
    EXPECT_EQ(shown.buttons.size(), r.buttonCount) << "row " << i << ": " << shown.buttons.join(",").toStdString();
  }
}

TEST(MessageBoxTest, ContentCaptionAndDefaultButton) {
  Shown shown;
  ShowAndAnswer(TypedValue::Double(1.0 / 3.0), 0x101, &shown, QString(), Qt::Key_Escape);
  EXPECT_EQ(shown.text.toStdString(), "0.3333333333333");
  EXPECT_EQ(shown.title.toStdString(), "信息：");
  EXPECT_EQ(shown.defaultButton.toStdString(), "取消");
  EXPECT_EQ(shown.buttons.join(",").toStdString(), "确定,取消");

  // A given caption, a text content with CR LF, and a default past the last button.
  test::WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    shown.title = box->windowTitle();
    shown.text = box->text();
    shown.defaultButton = box->defaultButton()->text();
    QTest::keyClick(box, Qt::Key_Return);
  });
  const Value v = Call(cmd::MessageBox, "第一行\r\n第二行"_gbk, 0x340, "标题"_gbk);
  EXPECT_EQ(v.integer(), 0);
  EXPECT_EQ(shown.title.toStdString(), "标题");
  EXPECT_EQ(shown.text.toStdString(), "第一行\n第二行");
  EXPECT_EQ(shown.defaultButton.toStdString(), "确定");
}

TEST(MessageBoxTest, QueuedAnswersSkipTheBox) {
  ui::QueueMessageBoxAnswer(6);
  ui::QueueMessageBoxAnswer(5);
  EXPECT_EQ(Call(cmd::MessageBox, 12, 4).integer(), 6);
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "12");
  EXPECT_EQ(ui::LastMessageBoxRequest().caption, "信息：");
  EXPECT_EQ(ui::LastMessageBoxRequest().flags, 0x2004u);  // task-modal added
  EXPECT_EQ(Call(cmd::MessageBox, true, 0x1004).integer(), 5);
  EXPECT_EQ(ui::LastMessageBoxRequest().text, "真");
  EXPECT_EQ(ui::LastMessageBoxRequest().flags, 0x1004u);  // system-modal kept alone
}

}  // namespace
}  // namespace zorvel
