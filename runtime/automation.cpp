// The values passed to and from automation objects, and member name matching.
#include "runtime/automation.h"

namespace zorvel::automation {

Variant Variant::Integer(std::int32_t v) {
  Variant r;
  r.kind_ = Kind::kInteger;
  r.integer_ = v;
  return r;
}

Variant Variant::Double(double v) {
  Variant r;
  r.kind_ = Kind::kDouble;
  r.double_ = v;
  return r;
}

Variant Variant::Logical(bool v) {
  Variant r;
  r.kind_ = Kind::kLogical;
  r.integer_ = v ? 1 : 0;
  return r;
}

Variant Variant::Text(std::string v) {
  Variant r;
  r.kind_ = Kind::kText;
  r.text_ = std::move(v);
  return r;
}

Variant Variant::ObjectRef(Object* object) {
  Variant r;
  if (object == nullptr) return r;
  object->AddRef();
  r.kind_ = Kind::kObject;
  r.object_ = object;
  return r;
}

Variant::Variant(const Variant& other)
    : kind_(other.kind_), integer_(other.integer_), double_(other.double_), text_(other.text_), object_(other.object_) {
  if (object_ != nullptr) object_->AddRef();
}

Variant& Variant::operator=(const Variant& other) {
  if (this == &other) return *this;
  if (other.object_ != nullptr) other.object_->AddRef();
  Clear();
  kind_ = other.kind_;
  integer_ = other.integer_;
  double_ = other.double_;
  text_ = other.text_;
  object_ = other.object_;
  return *this;
}

Variant::Variant(Variant&& other) noexcept
    : kind_(other.kind_), integer_(other.integer_), double_(other.double_), text_(std::move(other.text_)),
      object_(std::exchange(other.object_, nullptr)) {
  other.kind_ = Kind::kEmpty;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  kind_ = std::exchange(other.kind_, Kind::kEmpty);
  integer_ = other.integer_;
  double_ = other.double_;
  text_ = std::move(other.text_);
  object_ = std::exchange(other.object_, nullptr);
  return *this;
}

Variant::~Variant() { Clear(); }

void Variant::Clear() {
  if (object_ != nullptr) std::exchange(object_, nullptr)->Release();
  kind_ = Kind::kEmpty;
  text_.clear();
}

bool SameMember(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace zorvel::automation
