// Automation commands: reading and writing properties of automation objects, calling
// their methods, and keeping object references in object variables.
//
// Every argument after the member name is turned into a variant by its data-type code;
// the member is reached by name through the object's Invoke. An empty object, a name
// the object does not know or a call it refuses is a result, never an error: the empty
// object, false, or nothing.
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/automation.h"
#include "runtime/commands.h"

namespace zorvel::cmd {
namespace {

using automation::Access;
using automation::Object;
using automation::Variant;

// The variant an argument passes as. Integers pass as integers; a long that does not fit
// in 32 bits, floats, doubles and date-times as doubles; a byte set as a text of its
// bytes; an object as a reference of the variant's own. An omitted argument, and a value
// of a type an object cannot take (arrays, records, sub-program pointers), is empty.
Variant ToVariant(const TypedValue& v) {
  switch (v.type) {
    case type::kByte: return Variant::Integer(v.AsByte());
    case type::kShort: return Variant::Integer(v.AsShort());
    case type::kInteger: return Variant::Integer(v.AsInteger());
    case type::kLong: {
      const std::int64_t n = v.AsLong();
      if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
        return Variant::Double(static_cast<double>(n));
      }
      return Variant::Integer(static_cast<std::int32_t>(n));
    }
    case type::kFloat: return Variant::Double(v.AsFloat());
    case type::kDouble: return Variant::Double(v.AsDouble());
    case type::kDateTime: return Variant::Double(v.AsDouble());
    case type::kLogical: return Variant::Logical(v.AsLogical());
    case type::kText: return Variant::Text(std::string(TextView(v.AsText())));
    case type::kByteSet: return Variant::Text(std::string(ByteSetView(v.AsByteSet())));
    case type::kComObject: return Variant::ObjectRef(ComObjectOf(v));
    default: return Variant();
  }
}

// Reaches the member named by argument 1 of the object in argument 0, with the
// arguments from `first` on. Nothing when there is no object, no name, or the object
// does not answer.
std::optional<Variant> Reach(const Arguments& a, Access access, int first) {
  Object* object = a.object(0);
  const TypedValue name = a.value(1);
  if (object == nullptr || name.type != type::kText || TextView(name.AsText()).empty()) return std::nullopt;
  std::vector<Variant> arguments;
  for (int i = first; i < a.count(); ++i) arguments.push_back(ToVariant(a.value(i)));
  // The object stays alive for the call even if the member lets go of the last
  // reference someone else held.
  const automation::Ref keep = automation::Ref::Share(object);
  return object->Invoke(TextView(name.AsText()), access, arguments);
}

}  // namespace

ZORVEL_COMMAND(ReadProperty) {
  *result = TypedValue::ComObject(nullptr);
  const std::optional<Variant> value = Reach(Arguments(argc, args), Access::kGet, 2);
  if (!value || value->kind() != Variant::Kind::kObject) return;
  // The variant's reference goes with it; the caller gets one of its own.
  Object* object = value->object();
  object->AddRef();
  *result = TypedValue::ComObject(object);
}

ZORVEL_COMMAND(WriteProperty) {
  const Arguments a(argc, args);
  // The value is the last argument; anything between the name and it indexes the
  // property.
  const bool written = argc >= 3 && Reach(a, Access::kPut, 2).has_value();
  *result = TypedValue::Logical(written);
}

ZORVEL_COMMAND(CallMethod) {
  (void)result;
  // The method's result, and any reference it carries, goes when the call returns.
  Reach(Arguments(argc, args), Access::kCall, 2);
}

ZORVEL_COMMAND(AssignObject) {
  (void)result;
  const Arguments a(argc, args);
  Object** holder = a.objectVariable(0);
  if (holder == nullptr) return;
  Object* object = a.object(1);
  // The new reference is taken before the old one goes: the variable may already hold
  // this very object with its last reference.
  if (object != nullptr) object->AddRef();
  if (Object* old = std::exchange(*holder, object)) old->Release();
}

ZORVEL_COMMAND(ClearObject) {
  (void)result;
  Object** holder = Arguments(argc, args).objectVariable(0);
  if (holder == nullptr) return;
  if (Object* old = std::exchange(*holder, nullptr)) old->Release();
}

}  // namespace zorvel::cmd
