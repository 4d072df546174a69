// Our database engine: SQLite files and Jet .mdb files, read-only, speaking
// the host's SQL dialect. Registered by the host under
// contracts::kDBEngineProgId.
#ifndef DUNMERROW_ENGINES_JET_JET_ENGINE_H_
#define DUNMERROW_ENGINES_JET_JET_ENGINE_H_

#include <memory>

#include "contracts/database.h"

namespace jet {

std::shared_ptr<contracts::DBEngine> CreateDBEngine();

}  // namespace jet

#endif  // DUNMERROW_ENGINES_JET_JET_ENGINE_H_
