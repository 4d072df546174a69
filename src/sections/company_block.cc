// The company block: options-driven lines inserted into the page header.
#include "sections/company_block.h"

#include <exception>
#include <stdexcept>

#include "core/convert.h"
#include "data/general.h"
#include "data/registry.h"
#include "platform/files.h"
#include "sections/record_fields.h"

namespace sections {
namespace {

// Runs one step whose failure is ignored; reports whether it failed.
template <typename Step>
bool TryStep(Step&& step) {
  try {
    step();
    return false;
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace

void GetCompanyName(contracts::Report& report) {
  General::RecordsetPtr options;
  std::string sql = "select * from options";
  General::DataCreateSet(options, sql);
  const bool print_name = FlagOf(options, "PrintName");
  const bool print_address = FlagOf(options, "PrintAddress");
  if (!print_name && !print_address) return;

  std::shared_ptr<contracts::ReportSection> header;
  if (TryStep([&] { header = report.Sections("Header"); }) || !header) return;

  struct Line {
    const char* field;
    const char* column;
    bool shown;
  };
  // Bottom line first: each insertion pushes the earlier ones down.
  const Line lines[] = {{"oAddress3", "Address3", print_address},
                        {"oAddress2", "Address2", print_address},
                        {"oAddress1", "Address1", print_address},
                        {"oCompanyName", "CompanyName", print_name}};
  for (const Line& line : lines) {
    if (!line.shown) continue;
    TryStep([&] {
      const std::string text = TextOf(options, line.column);
      if (!text.empty()) AddHeaderLine(&report, *header, line.field, text);
    });
  }
}

void AddHeaderLine(contracts::Report* run_report, contracts::ReportSection& section,
                   const std::string& name, const std::string& text) {
  bool failed = false;
  failed |= TryStep([&] { section.SetHeight(section.Height() + kHeaderLineHeight); });
  int32_t count = 0;
  failed |= TryStep([&] { count = section.FieldCount(); });
  for (int32_t i = 1; i <= count; ++i) {
    failed |= TryStep([&] {
      auto field = section.Fields(static_cast<int16_t>(i));
      if (field->Top() >= kHeaderInsertTop) field->SetTop(field->Top() + kHeaderLineHeight);
    });
  }
  failed |= TryStep([&] { section.AddField(name); });

  std::shared_ptr<contracts::ReportField> added;
  failed |= TryStep([&] { added = section.Fields(name); });
  if (!added) return;  // nothing more can be set on a field that is not there
  failed |= TryStep([&] { added->SetDefaultText(text); });
  failed |= TryStep([&] { added->SetText(text); });
  failed |= TryStep([&] { added->SetHeight(kHeaderLineHeight); });
  failed |= TryStep([&] { added->SetTop(kHeaderInsertTop); });
  failed |= TryStep([&] { added->SetLeft(kHeaderLineLeft); });
  failed |= TryStep([&] {
    if (!run_report) throw std::runtime_error("no report");
    added->SetWidth(run_report->Sections("Header")->Fields("Square")->Width());
  });
  if (failed) TryStep([&] { added->SetWidth(kHeaderFallbackWidth); });
  TryStep([&] { added->SetStyle(kHeaderLineStyle); });
}

std::string ReportLogoFilename() {
  const std::string default_path = platform::JoinPath(platform::ComponentFolder(), "reportlogo.bmp");
  try {
    std::string value = Registry::GetRegSetting("Configure", "ReportLogo", default_path);
    if (value == "<Default>") value = default_path;
    if (!platform::PlainFileExists(value)) return default_path;
    return value;
  } catch (const std::exception&) {
    return default_path;
  }
}

std::string NumberFormatWithComma() { return "0.00"; }

}  // namespace sections
