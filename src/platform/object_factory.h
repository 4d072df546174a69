// Object creation by ProgID. The host registers a factory for each class it
// offers ("Vintrel.Report", "Dunmerrow.clsReport", the database engine);
// tests register fakes. Registration and creation are thread-safe.
#ifndef DUNMERROW_PLATFORM_OBJECT_FACTORY_H_
#define DUNMERROW_PLATFORM_OBJECT_FACTORY_H_

#include <functional>
#include <memory>
#include <string>

#include "core/variant.h"

namespace platform {

using ObjectFactory = std::function<std::shared_ptr<core::Object>()>;

// Registers (or replaces) the factory for `prog_id`; an empty factory removes it.
void RegisterFactory(const std::string& prog_id, ObjectFactory factory);
bool IsRegistered(const std::string& prog_id);

// A new object of the class registered as `prog_id`. Raises ComError 429
// naming the ProgID when nothing is registered, or when the factory fails.
std::shared_ptr<core::Object> CreateObject(const std::string& prog_id);

// CreateObject, then the interface T; raises 13 when the object lacks it.
template <typename T>
std::shared_ptr<T> CreateObjectAs(const std::string& prog_id);

}  // namespace platform

#include "core/com_error.h"

template <typename T>
std::shared_ptr<T> platform::CreateObjectAs(const std::string& prog_id) {
  auto object = std::dynamic_pointer_cast<T>(CreateObject(prog_id));
  if (!object) core::RaiseTypeMismatch("'" + prog_id + "' does not offer the interface asked for");
  return object;
}

#endif  // DUNMERROW_PLATFORM_OBJECT_FACTORY_H_
