// Registration of the engines and the component by ProgID.
#include "app/engines.h"

#include "component/cls_report.h"
#include "contracts/database.h"
#include "engines/jet/jet_engine.h"
#include "platform/object_factory.h"

namespace app {

void RegisterEngines(const report_engine::EngineOptions& options) {
  platform::RegisterFactory(contracts::kReportProgId,
                            [options] { return report_engine::CreateReport(options); });
  platform::RegisterFactory(contracts::kDBEngineProgId, [] { return jet::CreateDBEngine(); });
  platform::RegisterFactory(kComponentProgId,
                            [] { return std::make_shared<clsReport>(); });
}

}  // namespace app
