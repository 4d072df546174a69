// The register, its reconciliation with the database, and the journal export.
#include "app/run_register.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "core/com_error.h"
#include "core/convert.h"
#include "data/general.h"
#include "platform/files.h"
#include "platform/regional.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using component::OwnerOutcome;
using component::RunOutcome;

std::string Amount(core::Currency amount) { return platform::FormatFixed(core::Variant(amount), 2); }

std::string IsoDate(const core::Date& date) {
  return date.DayNumber() == 0 ? "" : date.ToIso().substr(0, 10);
}

std::string DateOfRun(const RunOutcome& outcome) {
  return outcome.report_date ? IsoDate(*outcome.report_date) : "unknown-date";
}

// `file` as the register names it: relative to the output folder.
std::string RelativeToOut(const std::string& out_folder, const std::string& file) {
  if (file.empty()) return "";
  std::error_code ec;
  const fs::path relative = fs::proximate(file, out_folder, ec);
  return ec ? file : relative.generic_string();
}

std::string DestinationName(const OwnerOutcome& owner) {
  if (contracts::IsEmailDestination(owner.destination)) return owner.email;
  return owner.destination == contracts::kDestinationPrinter ? "printer" : "preview";
}

// Runs a read-only query of the host's dialect on the open database.
std::shared_ptr<contracts::Recordset> Query(const std::string& sql) {
  auto& db = General::DataDb();
  if (!db) throw core::ComError(core::kErrObjectNotSet, "no database is open");
  return db->OpenRecordset(sql);
}

core::Currency CurrencyOrZero(const core::Variant& value) {
  return value.IsNull() ? core::Currency() : core::ToCurrency(value);
}

void WriteWhole(const std::string& path, const std::string& text) {
  platform::AtomicFile file(path);
  file.Write(text);
  file.Commit();
}

}  // namespace

bool Reconciliation::Agrees() const {
  return !read || (orphans.empty() && without_statement.empty() && statements_disbursed == disbursed);
}

std::string Reconciliation::Warning() const {
  if (Agrees()) return "";
  std::string text = "the statements disburse " + Amount(statements_disbursed) + ", the " +
                     std::to_string(disbursements) + " disbursements in the database " +
                     Amount(disbursed);
  if (!orphans.empty()) {
    text += "; " + std::to_string(orphans.size()) + " disbursement" +
            (orphans.size() == 1 ? " has" : "s have") + " no owner row:";
    for (const Orphan& orphan : orphans) text += " " + orphan.owner_code + " " + Amount(orphan.amount);
  }
  if (!without_statement.empty()) {
    text += "; " + std::to_string(without_statement.size()) + " owner" +
            (without_statement.size() == 1 ? " has" : "s have") + " no statement:";
    for (const std::string& code : without_statement) text += " " + code;
  }
  return text;
}

Reconciliation Reconcile(const RunOutcome& outcome) {
  Reconciliation r;
  for (const OwnerOutcome& owner : outcome.owners) {
    r.statements_disbursed = r.statements_disbursed + owner.disbursed;
  }
  if (!outcome.report_date) return r;
  const std::string date = General::SQLDate(*outcome.report_date);
  try {
    for (auto rows = Query("select amount from disbursement where date = " + date); !rows->IsEOF();
         rows->MoveNext()) {
      ++r.disbursements;
      r.disbursed = r.disbursed + CurrencyOrZero(rows->Field("amount"));
    }
    for (auto rows = Query("select d.owner as code, d.amount as amount from disbursement as d "
                           "left join owner as o on o.code = d.owner where d.date = " + date +
                           " and o.code is null order by d.owner");
         !rows->IsEOF(); rows->MoveNext()) {
      r.orphans.push_back({core::JoinText(rows->Field("code")), CurrencyOrZero(rows->Field("amount"))});
    }
    std::set<std::string> reached;
    for (const OwnerOutcome& owner : outcome.owners) reached.insert(owner.owner_code);
    for (auto rows = Query("select distinct owner.code as code from owner inner join disbursement "
                           "on owner.code = disbursement.owner where disbursement.date = " + date +
                           " order by owner.code");
         !rows->IsEOF(); rows->MoveNext()) {
      const std::string code = core::JoinText(rows->Field("code"));
      if (!reached.count(code)) r.without_statement.push_back(code);
    }
    r.read = true;
  } catch (const core::ComError&) {
    // Without the database's figures the register says so (read: false).
    r.read = false;
  }
  return r;
}

std::string StateName(contracts::DeliveryState state) {
  switch (state) {
    case contracts::DeliveryState::kPreviewed: return "previewed";
    case contracts::DeliveryState::kPrinted: return "printed";
    case contracts::DeliveryState::kWritten: return "written";
    case contracts::DeliveryState::kSent: return "sent";
    case contracts::DeliveryState::kWaiting: return "waiting";
    case contracts::DeliveryState::kNone:
    case contracts::DeliveryState::kFailed: return "failed";
  }
  return "failed";
}

std::string CsvCell(const std::string& text, bool is_text) {
  const bool formula = is_text && !text.empty() && text[0] != '\0' &&
                       std::strchr("=+-@\t\r", text[0]) != nullptr;
  if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = formula ? "\"'" : "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string WriteRegister(const std::string& out_folder, const RunOutcome& outcome,
                          const Reconciliation& reconciliation) {
  const std::string date = DateOfRun(outcome);
  std::string csv =
      "owner_code,owner_name,period_from,period_to,pages,income,expense,tax,fees,disbursed,"
      "destination,state,reason,document,sha256\r\n";
  std::map<std::string, std::string> digests;  // of each document, read once
  std::map<std::string, int> states;
  int pages = 0;
  for (const OwnerOutcome& owner : outcome.owners) {
    const std::string& file = owner.delivery.file;
    std::string digest;
    if (!file.empty()) {
      auto [it, fresh] = digests.emplace(file, "");
      if (fresh) {
        try {
          it->second = platform::Sha256Hex(platform::ReadFile(file));
        } catch (const core::ComError&) {
          it->second = "";
        }
      }
      digest = it->second;
    }
    const std::string state = StateName(owner.delivery.state);
    ++states[state];
    pages += owner.pages;
    std::string reason = owner.delivery.reason;
    if (owner.delivery.state == contracts::DeliveryState::kNone) {
      reason = "not delivered: the run stopped before its document was finished";
    }
    const std::vector<std::pair<std::string, bool>> cells = {
        {owner.owner_code, true},
        {owner.owner_name, true},
        {IsoDate(owner.period_from), false},
        {IsoDate(owner.period_to), false},
        {std::to_string(owner.pages), false},
        {Amount(owner.income), false},
        {Amount(owner.expense), false},
        {Amount(owner.tax), false},
        {platform::FormatFixed(core::Variant(owner.fees), 2), false},
        {Amount(owner.disbursed), false},
        {DestinationName(owner), true},
        {state, false},
        {reason, true},
        {RelativeToOut(out_folder, file), true},
        {digest, false}};
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i) csv += ',';
      csv += CsvCell(cells[i].first, cells[i].second);
    }
    csv += "\r\n";
  }

  nlohmann::json totals = {{"report_date", date},
                           {"statements", outcome.owners.size()},
                           {"pages", pages},
                           {"states", states},
                           {"disbursed", Amount(reconciliation.statements_disbursed)}};
  if (outcome.failure) {
    totals["failure"] = {{"number", outcome.failure->number},
                         {"description", outcome.failure->description}};
  }
  nlohmann::json database = nullptr;
  if (reconciliation.read) {
    nlohmann::json orphans = nlohmann::json::array();
    for (const auto& orphan : reconciliation.orphans) {
      orphans.push_back({{"owner_code", orphan.owner_code}, {"amount", Amount(orphan.amount)}});
    }
    database = {{"disbursements", reconciliation.disbursements},
                {"disbursed", Amount(reconciliation.disbursed)},
                {"orphans", orphans},
                {"without_statement", reconciliation.without_statement}};
  }
  const nlohmann::json json = {
      {"run", totals}, {"database", database}, {"agrees", reconciliation.Agrees()}};

  // Both files of the register are written whole before either replaces an
  // earlier run's: never one without the other.
  const fs::path base = fs::path(out_folder) / ("register-" + date);
  platform::AtomicFile csv_file(base.string() + ".csv");
  platform::AtomicFile json_file(base.string() + ".json");
  csv_file.Write(csv);
  json_file.Write(json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  csv_file.Prepare();
  json_file.Prepare();
  json_file.Commit();
  csv_file.Commit();
  return csv_file.path();
}

std::vector<std::map<std::string, std::string>> ReadRegister(const std::string& path) {
  const std::string text = platform::ReadFile(path);
  std::vector<std::vector<std::string>> records(1);
  std::string cell;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      records.back().push_back(std::move(cell));
      cell.clear();
      records.emplace_back();
    } else {
      cell += c;
    }
  }
  if (!cell.empty() || !records.back().empty()) records.back().push_back(std::move(cell));
  if (records.back().empty()) records.pop_back();
  std::vector<std::map<std::string, std::string>> rows;
  if (records.empty()) return rows;
  const std::vector<std::string>& names = records.front();
  for (size_t r = 1; r < records.size(); ++r) {
    std::map<std::string, std::string>& row = rows.emplace_back();
    for (size_t i = 0; i < names.size() && i < records[r].size(); ++i) row[names[i]] = records[r][i];
  }
  return rows;
}

std::string WriteJournalExport(const std::string& out_folder, const RunOutcome& outcome) {
  std::string csv = "kind,owner_code,property,date,details,income,expense,fees,tax,amount\r\n";
  for (const OwnerOutcome& owner : outcome.owners) {
    for (const component::PrintedLine& line : owner.lines) {
      const bool journal = line.kind == component::PrintedLine::Kind::kJournal;
      const std::vector<std::pair<std::string, bool>> cells = {
          {journal ? "journal" : "disbursement", false},
          {owner.owner_code, true},
          {line.property, true},
          {IsoDate(line.date), false},
          {line.details, true},
          {line.income, false},
          {line.expense, false},
          {line.fees, false},
          {line.tax, false},
          {line.amount, false}};
      for (size_t i = 0; i < cells.size(); ++i) {
        if (i) csv += ',';
        csv += CsvCell(cells[i].first, cells[i].second);
      }
      csv += "\r\n";
    }
  }
  const std::string path =
      (fs::path(out_folder) / ("journal-" + DateOfRun(outcome) + ".csv")).string();
  WriteWhole(path, csv);
  return path;
}

}  // namespace app
