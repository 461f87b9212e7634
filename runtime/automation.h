// Automation objects: the small dispatch interface the COM automation commands work
// through. An object answers its members by name; each member is read as a property,
// written as a property or called as a method, with values of a few kinds. Objects
// count their references: whoever holds one (an object variable of the program, a
// value being passed) holds one reference and releases it when done.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace zorvel::automation {

class Object;

// A value passed to a member or returned by one. Integers, doubles, logicals and texts
// (GBK) pass as themselves; an object as a reference of its own.
class Variant {
 public:
  enum class Kind { kEmpty, kInteger, kDouble, kLogical, kText, kObject };

  Variant() = default;
  static Variant Integer(std::int32_t v);
  static Variant Double(double v);
  static Variant Logical(bool v);
  static Variant Text(std::string v);
  // Adds a reference to the object (null gives the empty value).
  static Variant ObjectRef(Object* object);

  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  Kind kind() const { return kind_; }
  std::int32_t integer() const { return integer_; }
  double number() const { return kind_ == Kind::kInteger ? integer_ : kind_ == Kind::kLogical ? (logical() ? 1 : 0) : double_; }
  bool logical() const { return integer_ != 0; }
  const std::string& text() const { return text_; }
  // The object held, without adding a reference (null unless kObject).
  Object* object() const { return object_; }

 private:
  void Clear();
  Kind kind_ = Kind::kEmpty;
  std::int32_t integer_ = 0;
  double double_ = 0;
  std::string text_;
  Object* object_ = nullptr;
};

// How a member is reached.
enum class Access { kGet, kPut, kCall };

class Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  void AddRef() { ++references_; }
  // Deletes the object with its last reference.
  void Release() {
    if (--references_ == 0) delete this;
  }
  int references() const { return references_; }

  // Reads, writes or calls the member `name` (matched ignoring ASCII case, as member
  // names are) with the arguments; for kPut the last argument is the value. Nothing when
  // the object has no such member or the member refuses the arguments.
  virtual std::optional<Variant> Invoke(std::string_view name, Access access, std::span<const Variant> arguments) = 0;

 protected:
  virtual ~Object() = default;

 private:
  int references_ = 1;
};

// Names of members are matched ignoring ASCII case.
bool SameMember(std::string_view a, std::string_view b);

// A reference owned by C++ code: released when it goes.
class Ref {
 public:
  Ref() = default;
  // Takes over a reference the caller already holds.
  static Ref Adopt(Object* object) {
    Ref r;
    r.object_ = object;
    return r;
  }
  // Adds a reference of its own.
  static Ref Share(Object* object) {
    if (object != nullptr) object->AddRef();
    return Adopt(object);
  }
  Ref(const Ref& o) : object_(o.object_) {
    if (object_ != nullptr) object_->AddRef();
  }
  Ref& operator=(Ref o) {
    std::swap(object_, o.object_);
    return *this;
  }
  Ref(Ref&& o) noexcept : object_(std::exchange(o.object_, nullptr)) {}
  ~Ref() {
    if (object_ != nullptr) object_->Release();
  }
  Object* get() const { return object_; }
  Object* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Hands the reference over to the caller.
  Object* release() { return std::exchange(object_, nullptr); }

 private:
  Object* object_ = nullptr;
};

}  // namespace zorvel::automation
