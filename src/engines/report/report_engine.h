// Our report engine, registered as "Vintrel.Report": definitions, layout,
// PDF, trace, printing and e-mail. The host chooses the engine's options
// when it registers the factory.
#ifndef DUNMERROW_ENGINES_REPORT_REPORT_ENGINE_H_
#define DUNMERROW_ENGINES_REPORT_REPORT_ENGINE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "contracts/report.h"

namespace report_engine {

struct EngineOptions {
  // Where PDFs go; e-mailed documents go to OUT/outbox and OUT/sent.
  std::string output_folder = "statements";
  // The Destination a new report starts with.
  int32_t destination = contracts::kDestinationPreview;
  // False: lay out and trace only, write no PDF (measuring runs).
  bool render = true;
};

std::shared_ptr<contracts::Report> CreateReport(const EngineOptions& options);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_REPORT_ENGINE_H_
