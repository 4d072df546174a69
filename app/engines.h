// Wires the engines and the component to their ProgIDs.
#ifndef DUNMERROW_APP_ENGINES_H_
#define DUNMERROW_APP_ENGINES_H_

#include "engines/report/report_engine.h"

namespace app {

// Registers "Vintrel.Report" (our report engine, made with `options`), the
// database engine and "Dunmerrow.clsReport". Calling it again replaces the
// report engine's options.
void RegisterEngines(const report_engine::EngineOptions& options);

}  // namespace app

#endif  // DUNMERROW_APP_ENGINES_H_
