// Field reading helpers.
#include "sections/record_fields.h"

#include "core/com_error.h"
#include "core/convert.h"

namespace sections {

core::Variant FieldOf(const General::RecordsetPtr& rs, const std::string& name) {
  if (!rs) {
    throw core::ComError(core::kErrObjectNotSet, "The query for the column '" + name + "' could not be opened");
  }
  return rs->Field(name);
}

std::string TextOf(const General::RecordsetPtr& rs, const std::string& name) {
  return core::JoinText(FieldOf(rs, name));
}

bool FlagOf(const General::RecordsetPtr& rs, const std::string& name) {
  const core::Variant v = FieldOf(rs, name);
  if (v.IsNull()) return false;
  return core::ToBoolean(v);
}

core::Variant RequiredValueOf(const General::RecordsetPtr& rs, const std::string& name,
                              const std::string& what) {
  core::Variant v = FieldOf(rs, name);
  if (v.IsNull()) {
    throw core::ComError(core::kErrInvalidNull, "Invalid use of Null: " + what + " has no " + name);
  }
  return v;
}

bool ReadsTrue(const std::string& text) {
  try {
    return core::ToBoolean(core::Variant(text));
  } catch (const core::ComError&) {
    return false;
  }
}

}  // namespace sections
