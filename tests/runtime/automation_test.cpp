// Automation objects and the commands that drive them: a small document with a body, a
// style and a few methods, walked through ReadProperty, WriteProperty, CallMethod,
// AssignObject and ClearObject as the movie host walks a page. Every reference taken is
// checked to be given back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/automation.h"
#include "runtime/commands.h"
#include "runtime/memory.h"
#include "text/gbk_literal.h"

namespace zorvel {
namespace {
using namespace literals;
using automation::Access;
using automation::Object;
using automation::Ref;
using automation::SameMember;
using automation::Variant;

// Counts the test objects alive, so that a leaked or doubly released reference shows.
int gLive = 0;

class TestObject : public Object {
 public:
  TestObject() { ++gLive; }

 protected:
  ~TestObject() override { --gLive; }
};

// A style: a fixed set of text properties, written only with texts.
class Style : public TestObject {
 public:
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> args) override {
    for (auto& [key, value] : items_) {
      if (!SameMember(name, key)) continue;
      if (access == Access::kGet && args.empty()) return Variant::Text(value);
      if (access == Access::kPut && args.size() == 1 && args[0].kind() == Variant::Kind::kText) {
        value = args[0].text();
        return Variant();
      }
      return std::nullopt;
    }
    return std::nullopt;
  }
  const std::string& item(std::string_view name) const {
    for (auto& [key, value] : items_) {
      if (key == name) return value;
    }
    static const std::string none;
    return none;
  }

 private:
  std::vector<std::pair<std::string, std::string>> items_ = {
      {"overflow", ""}, {"overflowX", ""}, {"overflowY", ""}, {"border", "1px solid"}};
};

// A body: its style, read only.
class Body : public TestObject {
 public:
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> args) override {
    if (SameMember(name, "style") && access == Access::kGet && args.empty()) return Variant::ObjectRef(style_.get());
    return std::nullopt;
  }
  Style* style() const { return static_cast<Style*>(style_.get()); }

 private:
  Ref style_ = Ref::Adopt(new Style);
};

// A document: a body, a text title, items by index, and methods that record their
// arguments ("record"), run a script ("execScript", exactly two texts) or make a new
// style nobody else holds ("createStyle").
class Document : public TestObject {
 public:
  std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> args) override {
    if (access == Access::kGet) {
      if (SameMember(name, "body") && args.empty()) return Variant::ObjectRef(body_.get());
      if (SameMember(name, "title") && args.empty()) return Variant::Text(title_);
      if (SameMember(name, "item") && args.size() == 1 && args[0].kind() == Variant::Kind::kInteger) {
        const std::int32_t i = args[0].integer();
        if (i < 0 || i >= static_cast<std::int32_t>(items_.size())) return std::nullopt;
        return Variant::ObjectRef(items_[static_cast<std::size_t>(i)].get());
      }
      return std::nullopt;
    }
    if (access == Access::kPut) {
      if (SameMember(name, "title") && args.size() == 1 && args[0].kind() == Variant::Kind::kText) {
        title_ = args[0].text();
        return Variant();
      }
      return std::nullopt;
    }
    if (SameMember(name, "record")) {
      recorded.assign(args.begin(), args.end());
      return Variant::Integer(static_cast<std::int32_t>(args.size()));
    }
    if (SameMember(name, "execScript")) {
      if (args.size() != 2 || args[0].kind() != Variant::Kind::kText || args[1].kind() != Variant::Kind::kText) {
        return std::nullopt;
      }
      scripts.push_back(args[0].text() + "|" + args[1].text());
      return Variant();
    }
    if (SameMember(name, "createStyle") && args.empty()) {
      const Ref fresh = Ref::Adopt(new Style);
      return Variant::ObjectRef(fresh.get());
    }
    return std::nullopt;
  }

  Body* body() const { return static_cast<Body*>(body_.get()); }
  Object* item(int i) const { return items_[static_cast<std::size_t>(i)].get(); }
  const std::string& title() const { return title_; }

  std::vector<Variant> recorded;
  std::vector<std::string> scripts;

 private:
  Ref body_ = Ref::Adopt(new Body);
  std::vector<Ref> items_ = {Ref::Adopt(new Style), Ref::Adopt(new Style), Ref::Adopt(new Style)};
  std::string title_ = "page";
};

constexpr int kDocumentObjects = 6;  // the document, its body, the body's style, three items

class AutomationCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(gLive, 0);
    document_ = Ref::Adopt(new Document);
    ASSERT_EQ(gLive, kDocumentObjects);
  }
  void TearDown() override {
    // Nothing the commands handed out may outlive the test, nor may the commands have
    // released a reference they did not own (the document's references would be off).
    EXPECT_EQ(document_->references(), 1);
    EXPECT_EQ(doc()->body()->references(), 1);
    EXPECT_EQ(doc()->body()->style()->references(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(doc()->item(i)->references(), 1) << "item " << i;
    EXPECT_EQ(gLive, kDocumentObjects);
    document_ = Ref();
    EXPECT_EQ(gLive, 0);
  }
  Document* doc() const { return static_cast<Document*>(document_.get()); }
  Object* object() const { return document_.get(); }

  Ref document_;
};

TEST(Automation, VariantsCountTheirReferences) {
  {
    const Ref style = Ref::Adopt(new Style);
    Object* o = style.get();
    Variant a = Variant::ObjectRef(o);
    EXPECT_EQ(a.kind(), Variant::Kind::kObject);
    EXPECT_EQ(a.object(), o);
    EXPECT_EQ(o->references(), 2);
    {
      Variant copy = a;  // NOLINT(performance-unnecessary-copy-initialization)
      EXPECT_EQ(o->references(), 3);
      Variant moved = std::move(copy);
      EXPECT_EQ(o->references(), 3) << "a move takes the reference over";
      EXPECT_EQ(copy.kind(), Variant::Kind::kEmpty);  // NOLINT(bugprone-use-after-move)
      EXPECT_EQ(copy.object(), nullptr);
      moved = Variant::Integer(4);
      EXPECT_EQ(o->references(), 2) << "assigning over an object releases it";
      moved = a;
      EXPECT_EQ(o->references(), 3);
      const Variant& same = moved;
      moved = same;  // assigned to itself
      EXPECT_EQ(o->references(), 3);
      moved = std::move(a);
      EXPECT_EQ(o->references(), 2) << "moving over the same object drops one of the two";
      a = moved;
    }
    EXPECT_EQ(o->references(), 2);
    a = Variant::Text("x");
    EXPECT_EQ(o->references(), 1);
    EXPECT_EQ(a.text(), "x");
  }
  EXPECT_EQ(gLive, 0);

  // The last reference held only by a variant goes with the variant.
  {
    Variant only = Variant::ObjectRef(Ref::Adopt(new Style).get());
    EXPECT_EQ(gLive, 1);
    EXPECT_EQ(only.object()->references(), 1);
  }
  EXPECT_EQ(gLive, 0);

  EXPECT_EQ(Variant::ObjectRef(nullptr).kind(), Variant::Kind::kEmpty);
  EXPECT_EQ(Variant().kind(), Variant::Kind::kEmpty);
  EXPECT_EQ(Variant::Integer(-3).number(), -3);
  EXPECT_EQ(Variant::Double(2.5).number(), 2.5);
  EXPECT_EQ(Variant::Logical(true).number(), 1);
  EXPECT_TRUE(Variant::Logical(true).logical());
  EXPECT_FALSE(Variant::Logical(false).logical());
}

TEST(Automation, MemberNamesIgnoreAsciiCaseOnly) {
  struct Row {
    std::string a, b;
    bool same;
  } rows[] = {
      {"body", "body", true},
      {"parentWindow", "PARENTWINDOW", true},
      {"overflowX", "OverflowX", true},
      {"overflowX", "overflowY", false},
      {"body", "bodies", false},
      {"body", "bod", false},
      {"", "", true},
      {"a_b", "A_B", true},
      {"[", "{", false},  // '[' and '{' differ by the case bit but are not letters
      {"@", "`", false},
      {"名字"_gbk, "名字"_gbk, true},
      // 侫 is 0x82 'A', 俛 is 0x82 'a': a second byte is never folded.
      {"侫"_gbk, "俛"_gbk, false},
      {"x侫"_gbk, "X侫"_gbk, true},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(SameMember(r.a, r.b), r.same) << r.a << " / " << r.b;
    EXPECT_EQ(SameMember(r.b, r.a), r.same) << r.b << " / " << r.a;
  }
}

// The walk the movie host makes to hide a page's scroll bars: document -> body -> style,
// each object kept in an object variable, three style properties written, a script run,
// the variables cleared.
TEST_F(AutomationCommands, WalkFromDocumentToStyleAndBack) {
  Object* body = nullptr;
  Object* style = nullptr;
  {
    Value read = Call(cmd::ReadProperty, object(), "Body");
    ASSERT_EQ(read.type(), type::kComObject);
    ASSERT_EQ(read.object(), doc()->body());
    EXPECT_EQ(doc()->body()->references(), 2) << "the result is a reference of its own";
    Call(cmd::AssignObject, Var(body), read);
    EXPECT_EQ(body, doc()->body());
    EXPECT_EQ(doc()->body()->references(), 3);
  }
  EXPECT_EQ(doc()->body()->references(), 2) << "the result released its reference; the variable keeps one";

  Call(cmd::AssignObject, Var(style), Call(cmd::ReadProperty, body, "STYLE"));
  ASSERT_EQ(style, doc()->body()->style());
  EXPECT_EQ(style->references(), 2);

  for (const char* name : {"overflow", "overflowX", "overflowY"}) {
    EXPECT_TRUE(Call(cmd::WriteProperty, style, name, "hidden;").logical()) << name;
    EXPECT_EQ(doc()->body()->style()->item(name), "hidden;");
  }
  EXPECT_EQ(doc()->body()->style()->item("border"), "1px solid") << "untouched";
  EXPECT_TRUE(Call(cmd::WriteProperty, Var(style), "border", "0px none #CCCCCC;").logical())
      << "the object may come in its variable";
  EXPECT_EQ(doc()->body()->style()->item("border"), "0px none #CCCCCC;");

  Call(cmd::CallMethod, object(), "execScript", "document.body.style.overflow='hidden';", "JavaScript");
  ASSERT_EQ(doc()->scripts.size(), 1u);
  EXPECT_EQ(doc()->scripts[0], "document.body.style.overflow='hidden';|JavaScript");

  Call(cmd::ClearObject, Var(style));
  Call(cmd::ClearObject, Var(body));
  EXPECT_EQ(style, nullptr);
  EXPECT_EQ(body, nullptr);
  Call(cmd::ClearObject, Var(body));  // clearing an empty variable changes nothing
  EXPECT_EQ(body, nullptr);
}

TEST_F(AutomationCommands, ReadPropertyGivesObjectsOnly) {
  // Further arguments pass to the property: the items by index.
  for (int i = 0; i < 3; ++i) {
    const Value item = Call(cmd::ReadProperty, object(), "item", i);
    EXPECT_EQ(item.object(), doc()->item(i));
    EXPECT_EQ(doc()->item(i)->references(), 2);
  }
  // A long that fits passes as an integer index.
  EXPECT_EQ(Call(cmd::ReadProperty, object(), "item", std::int64_t{1}).object(), doc()->item(1));

  // A value moved on keeps its one reference.
  Value first = Call(cmd::ReadProperty, object(), "body");
  Value second = std::move(first);
  EXPECT_EQ(first.object(), nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(second.object(), doc()->body());
  EXPECT_EQ(doc()->body()->references(), 2);
  second = Call(cmd::ReadProperty, object(), "item", 0);
  EXPECT_EQ(doc()->body()->references(), 1) << "assigning over a result releases its object";
  EXPECT_EQ(doc()->item(0)->references(), 2);
  second = Value();

  // Anything that is not an object comes back as the empty object.
  struct Row {
    const char* what;
    Value v;
  } rows[] = {
      {"a text property", Call(cmd::ReadProperty, object(), "title")},
      {"an index out of range", Call(cmd::ReadProperty, object(), "item", 3)},
      {"a negative index", Call(cmd::ReadProperty, object(), "item", -1)},
      {"an index of the wrong kind", Call(cmd::ReadProperty, object(), "item", "0")},
      {"the index left out", Call(cmd::ReadProperty, object(), "item")},
      {"a method read as a property", Call(cmd::ReadProperty, object(), "createStyle")},
      {"an unknown name", Call(cmd::ReadProperty, object(), "head")},
      {"the empty name", Call(cmd::ReadProperty, object(), "")},
      {"a name that is not a text", Call(cmd::ReadProperty, object(), 5)},
      {"no name", Call(cmd::ReadProperty, object())},
      {"the empty object", Call(cmd::ReadProperty, static_cast<Object*>(nullptr), "body")},
      {"no object", Call(cmd::ReadProperty, kAbsent, "body")},
      {"no arguments", Call(cmd::ReadProperty)},
      {"an integer for the object", Call(cmd::ReadProperty, 12345, "body")},
      {"a text for the object", Call(cmd::ReadProperty, "body", "body")},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.v.type(), type::kComObject) << r.what;
    EXPECT_EQ(r.v.object(), nullptr) << r.what;
  }
  EXPECT_EQ(gLive, kDocumentObjects);
}

TEST_F(AutomationCommands, WritePropertySucceedsOnlyWhenTheObjectTakesTheValue) {
  EXPECT_TRUE(Call(cmd::WriteProperty, object(), "TITLE", "新标题"_gbk).logical());
  EXPECT_EQ(doc()->title(), "新标题"_gbk);

  struct Row {
    const char* what;
    Value v;
  } rows[] = {
      {"a value the property refuses", Call(cmd::WriteProperty, object(), "title", 7)},
      {"a read-only property", Call(cmd::WriteProperty, doc()->body(), "style", static_cast<Object*>(doc()->item(0)))},
      {"an unknown name", Call(cmd::WriteProperty, object(), "titel", "x")},
      {"the value left out", Call(cmd::WriteProperty, object(), "title")},
      {"an extra argument", Call(cmd::WriteProperty, object(), "title", "x", "y")},
      {"the empty object", Call(cmd::WriteProperty, static_cast<Object*>(nullptr), "title", "x")},
      {"no object", Call(cmd::WriteProperty, kAbsent, "title", "x")},
      {"the empty name", Call(cmd::WriteProperty, object(), "", "x")},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.v.type(), type::kLogical) << r.what;
    EXPECT_FALSE(r.v.logical()) << r.what;
  }
  EXPECT_EQ(doc()->title(), "新标题"_gbk) << "no failed write changed the title";
}

TEST_F(AutomationCommands, CallMethodKeepsNothing) {
  // The new style the method makes is held only by the method's result, which the
  // command lets go of.
  const Value r = Call(cmd::CallMethod, object(), "createStyle");
  EXPECT_EQ(r.type(), type::kNone);
  EXPECT_EQ(gLive, kDocumentObjects);

  // Objects passed as arguments are held while the method has them and given back.
  Call(cmd::CallMethod, object(), "Record", static_cast<Object*>(doc()->body()), 1, "two");
  ASSERT_EQ(doc()->recorded.size(), 3u);
  EXPECT_EQ(doc()->recorded[0].object(), doc()->body());
  EXPECT_EQ(doc()->body()->references(), 2) << "the method kept a copy of the argument";
  doc()->recorded.clear();
  EXPECT_EQ(doc()->body()->references(), 1);

  // Refused calls change nothing and report nothing.
  Call(cmd::CallMethod, object(), "execScript", "only one");
  Call(cmd::CallMethod, object(), "execScript", "a", "b", "c");
  Call(cmd::CallMethod, object(), "execScript", "a", 2);
  Call(cmd::CallMethod, object(), "body");
  Call(cmd::CallMethod, object(), "noSuchMethod", 1);
  Call(cmd::CallMethod, static_cast<Object*>(nullptr), "record", 1);
  Call(cmd::CallMethod, kAbsent, "record", 1);
  Call(cmd::CallMethod);
  EXPECT_TRUE(doc()->scripts.empty());
  EXPECT_TRUE(doc()->recorded.empty());
}

// Every argument after the name becomes the variant of its data-type code.
TEST_F(AutomationCommands, ArgumentsPassAsVariantsByDataType) {
  using K = Variant::Kind;
  std::uint8_t* bytes = MakeByteSet(std::string_view("a\0b", 3));
  std::int32_t integerVariable = -77;
  char* textVariable = CopyText("变量"_gbk);
  char* emptyTextVariable = nullptr;
  double doubleVariable = 0.25;
  Object* objectVariable = doc()->item(2);

  struct Row {
    const char* what;
    TypedValue arg;
    K kind;
    double number = 0;
    std::string text = {};
    Object* object = nullptr;
  } rows[] = {
      {"byte", TypedValue::Byte(200), K::kInteger, 200},
      {"short", TypedValue::Short(-5), K::kInteger, -5},
      {"integer", TypedValue::Integer(-2147483647 - 1), K::kInteger, -2147483648.0},
      {"long within 32 bits", TypedValue::Long(-7), K::kInteger, -7},
      {"long at the top of 32 bits", TypedValue::Long(2147483647), K::kInteger, 2147483647.0},
      {"long above 32 bits", TypedValue::Long(2147483648LL), K::kDouble, 2147483648.0},
      {"long below 32 bits", TypedValue::Long(-2147483649LL), K::kDouble, -2147483649.0},
      {"long far out", TypedValue::Long(5000000000LL), K::kDouble, 5e9},
      {"float", TypedValue::Float(1.5f), K::kDouble, 1.5},
      {"double", TypedValue::Double(-0.125), K::kDouble, -0.125},
      {"date-time", TypedValue::DateTime(45000.5), K::kDouble, 45000.5},
      {"logical true", TypedValue::Logical(true), K::kLogical, 1},
      {"logical false", TypedValue::Logical(false), K::kLogical, 0},
      {"logical from any non-zero", {0x100, type::kLogical}, K::kLogical, 1},
      {"text", TypedValue::Text("名字"_gbk), K::kText, 0, "名字"_gbk},
      {"empty text", TypedValue::Text(kEmptyText), K::kText, 0, ""},
      {"byte set", TypedValue::ByteSet(bytes), K::kText, 0, std::string("a\0b", 3)},
      {"empty byte set", TypedValue::ByteSet(kEmptyByteSet), K::kText, 0, ""},
      {"object", TypedValue::ComObject(doc()->item(1)), K::kObject, 0, {}, doc()->item(1)},
      {"empty object", TypedValue::ComObject(nullptr), K::kEmpty},
      {"omitted", TypedValue{}, K::kEmpty},
      {"integer variable", TypedValue::Variable(&integerVariable, type::kInteger), K::kInteger, -77},
      {"double variable", TypedValue::Variable(&doubleVariable, type::kDouble), K::kDouble, 0.25},
      {"text variable", TypedValue::Variable(&textVariable, type::kText), K::kText, 0, "变量"_gbk},
      {"empty text variable", TypedValue::Variable(&emptyTextVariable, type::kText), K::kText, 0, ""},
      {"object variable", TypedValue::Variable(&objectVariable, type::kComObject), K::kObject, 0, {}, doc()->item(2)},
      {"integer array", TypedValue::Array(nullptr, type::kInteger), K::kEmpty},
      {"sub-program pointer", {0x401000, type::kSubProgram}, K::kEmpty},
      {"window unit", {0x0000000200000001ULL, type::kWindow}, K::kEmpty},
  };
  for (const Row& r : rows) {
    Call(cmd::CallMethod, object(), "record", r.arg);
    ASSERT_EQ(doc()->recorded.size(), 1u) << r.what;
    const Variant& v = doc()->recorded[0];
    EXPECT_EQ(v.kind(), r.kind) << r.what;
    switch (r.kind) {
      case K::kInteger:
        EXPECT_EQ(v.integer(), r.number) << r.what;
        break;
      case K::kDouble:
      case K::kLogical:
        EXPECT_EQ(v.number(), r.number) << r.what;
        break;
      case K::kText:
        EXPECT_EQ(v.text(), r.text) << r.what;
        break;
      case K::kObject:
        EXPECT_EQ(v.object(), r.object) << r.what;
        EXPECT_EQ(r.object->references(), 2) << r.what << ": the variant holds a reference of its own";
        break;
      case K::kEmpty:
        EXPECT_EQ(v.object(), nullptr) << r.what;
        break;
    }
    doc()->recorded.clear();
  }
  EXPECT_EQ(integerVariable, -77);
  EXPECT_EQ(objectVariable, doc()->item(2)) << "passing a variable leaves it as it was";

  // Several arguments keep their order; an omitted one in the middle is empty.
  Call(cmd::CallMethod, object(), "record", 1, kAbsent, "three", 4.0);
  ASSERT_EQ(doc()->recorded.size(), 4u);
  EXPECT_EQ(doc()->recorded[0].integer(), 1);
  EXPECT_EQ(doc()->recorded[1].kind(), K::kEmpty);
  EXPECT_EQ(doc()->recorded[2].text(), "three");
  EXPECT_EQ(doc()->recorded[3].number(), 4.0);
  doc()->recorded.clear();

  Free(bytes);
  Free(textVariable);
}

TEST_F(AutomationCommands, ObjectVariablesHoldOneReferenceEach) {
  Object* a = nullptr;
  Object* b = nullptr;
  Object* item0 = doc()->item(0);
  Object* item1 = doc()->item(1);

  Call(cmd::AssignObject, Var(a), item0);
  EXPECT_EQ(a, item0);
  EXPECT_EQ(item0->references(), 2);
  Call(cmd::AssignObject, Var(b), Var(a));  // from variable to variable
  EXPECT_EQ(b, item0);
  EXPECT_EQ(item0->references(), 3);

  Call(cmd::AssignObject, Var(a), Var(a));  // onto itself
  EXPECT_EQ(a, item0);
  EXPECT_EQ(item0->references(), 3);

  Call(cmd::AssignObject, Var(a), item1);  // over another object: the old one is released
  EXPECT_EQ(a, item1);
  EXPECT_EQ(item0->references(), 2);
  EXPECT_EQ(item1->references(), 2);

  Call(cmd::AssignObject, Var(b), static_cast<Object*>(nullptr));  // the empty object empties it
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(item0->references(), 1);

  // An object passed by value is no variable: nothing is stored, no reference moves.
  Call(cmd::AssignObject, item0, item1);
  Call(cmd::ClearObject, item1);
  EXPECT_EQ(item0->references(), 1);
  EXPECT_EQ(item1->references(), 2);
  // Nor is a variable of another type.
  std::int32_t number = 5;
  Call(cmd::AssignObject, Var(number), item1);
  Call(cmd::ClearObject, Var(number));
  EXPECT_EQ(number, 5);
  EXPECT_EQ(item1->references(), 2);
  Call(cmd::AssignObject);
  Call(cmd::ClearObject);

  // A variable holding the last reference frees the object when cleared.
  Object* lone = nullptr;
  Call(cmd::AssignObject, Var(lone), Ref::Adopt(new Style).get());
  EXPECT_EQ(gLive, kDocumentObjects + 1);
  EXPECT_EQ(lone->references(), 1);
  Call(cmd::AssignObject, Var(lone), Var(lone));
  EXPECT_EQ(gLive, kDocumentObjects + 1) << "assigning an object to its own variable keeps it alive";
  Call(cmd::ClearObject, Var(lone));
  EXPECT_EQ(lone, nullptr);
  EXPECT_EQ(gLive, kDocumentObjects);

  Call(cmd::ClearObject, Var(a));
  EXPECT_EQ(a, nullptr);
}

}  // namespace
}  // namespace zorvel
