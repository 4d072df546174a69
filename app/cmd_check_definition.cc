// `dunmerrow check-definition`: checks a report definition and, when asked,
// prints every section of it once with sample texts to a PDF.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/commands.h"
#include "core/com_error.h"
#include "engines/report/definition.h"
#include "engines/report/report_engine.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow check-definition FILE [--sample PDF]\n"
    "Checks the report definition FILE and lists every problem with its line.\n"
    "\n"
    "  --sample PDF   also print each section once, every field showing its own\n"
    "                 name, to the file PDF\n"
    "\n"
    "Exit status: 0 the definition is valid; 1 it has problems; 2 bad usage.\n";

// Every section of the definition once, in order, each field showing its name.
void PrintSample(const std::string& definition, const report_engine::Definition& def,
                 const std::string& pdf) {
  const std::filesystem::path target = std::filesystem::absolute(pdf);
  report_engine::EngineOptions options;
  options.output_folder = target.parent_path().string();
  options.pdf_name = target.filename().string();
  auto report = report_engine::CreateReport(options);
  report->LoadDefinition(definition);
  for (const auto& section_def : def.sections) {
    auto section = report->Sections(section_def.name);
    for (const auto& element : section_def.elements) {
      if (element.kind == report_engine::ElementKind::kField) {
        section->Fields(element.name)->SetText(element.name);
      }
    }
    report->PrintSection(section_def.name);
  }
  report->EndReport();
}

}  // namespace

int RunCheckDefinition(const Args& args) {
  std::string file;
  std::string sample;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (args[i] == "--sample") {
      if (i + 1 >= args.size()) return UsageError("--sample needs a file name");
      sample = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return UsageError("unknown option '" + args[i] + "' for check-definition");
    } else if (file.empty()) {
      file = args[i];
    } else {
      return UsageError("check-definition takes one file");
    }
  }
  if (file.empty()) return UsageError("check-definition needs the definition file to check");

  std::vector<report_engine::DefinitionProblem> problems;
  const report_engine::Definition def =
      report_engine::ParseDefinition(file, report_engine::SystemChecks(), problems);
  for (const auto& problem : problems) std::fprintf(stderr, "%s\n", problem.ToString().c_str());
  if (!problems.empty()) {
    std::fprintf(stderr, "%s: %zu problem%s\n", file.c_str(), problems.size(),
                 problems.size() == 1 ? "" : "s");
    return 1;
  }
  std::printf("%s: valid, %zu sections\n", file.c_str(), def.sections.size());
  if (sample.empty()) return 0;
  try {
    PrintSample(file, def, sample);
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "%s\n", e.description().c_str());
    return 1;
  }
  std::printf("sample: %s\n", sample.c_str());
  return 0;
}

}  // namespace app
