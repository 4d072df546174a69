// Fuzz target: the report definition parser on any file, and the page flow
// of every definition it accepts (layout only, no PDF): every section printed
// with a long text in each field, and that text fitted into the first field.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/com_error.h"
#include "engines/report/definition.h"
#include "engines/report/report_engine.h"

namespace {

std::string ScratchFile() {
  static const std::string path =
      "/tmp/dunmerrow-fuzz-definition-" + std::to_string(getpid()) + ".rdn";
  return path;
}

void Exercise(const std::string& path, const report_engine::Definition& def) {
  report_engine::EngineOptions options;
  options.render = false;
  options.output_folder = "/tmp";
  auto report = report_engine::CreateReport(options);
  if (!report->LoadDefinition(path)) return;
  const std::string long_text(300, 'w');
  for (const report_engine::SectionDef& section_def : def.sections) {
    auto section = report->Sections(section_def.name);
    for (int32_t i = 1; i <= section->FieldCount(); ++i) {
      section->Fields(static_cast<int16_t>(i))->SetText(long_text + " " + long_text);
    }
    report->PrintSection(section_def.name);
    if (section->FieldCount() > 0) {
      std::string text = long_text;
      const std::string rest = report->FitText(*section->Fields(int16_t{1}), text);
      if (rest.size() >= long_text.size()) __builtin_trap();  // no progress
    }
  }
  report->NewPage();
  report->EndReport();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchFile();
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // Fonts and pictures are accepted as named: the checks of the installed
  // fonts and of image files have their own tests.
  report_engine::DefinitionChecks checks;
  checks.font_family = [](const std::string&) { return std::string(); };
  checks.image = [](const std::string&) { return std::string(); };
  std::vector<report_engine::DefinitionProblem> problems;
  const report_engine::Definition def = report_engine::ParseDefinition(path, checks, problems);
  for (const auto& problem : problems) {
    if (problem.message.empty()) __builtin_trap();  // every problem says what
  }
  if (problems.empty()) {
    try {
      Exercise(path, def);
    } catch (const core::ComError&) {
      // A font or picture the real checks refuse; the message is tested elsewhere.
    }
  }
  unlink(path.c_str());
  return 0;
}
