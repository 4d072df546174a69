// The ProgID registry.
#include "platform/object_factory.h"

#include <map>
#include <mutex>

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, ObjectFactory> factories;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterFactory(const std::string& prog_id, ObjectFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  if (factory) {
    r.factories[prog_id] = std::move(factory);
  } else {
    r.factories.erase(prog_id);
  }
}

bool IsRegistered(const std::string& prog_id) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.factories.count(prog_id) != 0;
}

std::shared_ptr<core::Object> CreateObject(const std::string& prog_id) {
  ObjectFactory factory;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.factories.find(prog_id);
    if (it != r.factories.end()) factory = it->second;
  }
  if (!factory) {
    throw core::ComError(core::kErrCantCreateObject,
                         "Cannot create object: no class is registered as '" + prog_id + "'");
  }
  auto object = factory();
  if (!object) {
    throw core::ComError(core::kErrCantCreateObject,
                         "Cannot create object: the class '" + prog_id + "' failed to start");
  }
  return object;
}

}  // namespace platform
