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
  // The new reference is taken before the old one goes: the two may be the same object,
  // and releasing first could delete it.
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
    : kind_(std::exchange(other.kind_, Kind::kEmpty)),
      integer_(std::exchange(other.integer_, 0)),
      double_(std::exchange(other.double_, 0)),
      text_(std::move(other.text_)),
      object_(std::exchange(other.object_, nullptr)) {
  other.text_.clear();
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  kind_ = std::exchange(other.kind_, Kind::kEmpty);
  integer_ = std::exchange(other.integer_, 0);
  double_ = std::exchange(other.double_, 0);
  text_ = std::move(other.text_);
  other.text_.clear();
  object_ = std::exchange(other.object_, nullptr);
  return *this;
}

Variant::~Variant() { Clear(); }

void Variant::Clear() {
  if (Object* object = std::exchange(object_, nullptr)) object->Release();
  kind_ = Kind::kEmpty;
  integer_ = 0;
  double_ = 0;
  text_.clear();
}

// Names are GBK like every text: a lead byte takes its second byte with it, and only
// single-byte letters fold, so a second byte that happens to be a letter must match as is.
bool SameMember(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (static_cast<unsigned char>(a[i]) >= 0x80) {
      if (a[i] != b[i]) return false;
      if (i + 1 < a.size()) {
        ++i;
        if (a[i] != b[i]) return false;
      }
      continue;
    }
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace zorvel::automation
