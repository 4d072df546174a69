// Data access: opening the host's database, recordset operations that report
// their own failures, and the monthly error log.
#include "data/general.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "core/convert.h"
#include "data/registry.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/object_factory.h"
#include "platform/regional.h"

namespace General {
namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kDatabaseName[] = "property.mdb";

thread_local std::shared_ptr<contracts::DBEngine> t_engine;

core::ComError NotSet() {
  return core::ComError(core::kErrObjectNotSet, "Object variable or With block variable not set");
}

// Engines raise ComError; anything else still reaches the user with its text.
core::ComError CurrentFailure() {
  try {
    throw;
  } catch (const core::ComError& e) {
    return e;
  } catch (const std::exception& e) {
    return core::ComError(core::kErrInternal, e.what());
  } catch (...) {
    return core::ComError(core::kErrInternal, "Unknown failure");
  }
}

std::string TwoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n % 100);
  return buf;
}

}  // namespace

std::string& AppFolder() {
  thread_local std::string folder;
  return folder;
}

std::string& DbStatus() {
  thread_local std::string status;
  return status;
}

std::shared_ptr<contracts::Database>& DataDb() {
  thread_local std::shared_ptr<contracts::Database> db;
  return db;
}

bool StartADO() {
  // A status left from an earlier attempt would describe the wrong opening.
  DbStatus().clear();
  try {
    AppFolder() = Registry::GetRegSetting("Settings", "apppath", platform::ComponentFolder());
    const int16_t networkable =
        core::ToInteger(core::Variant(Registry::GetRegSetting("Settings", "Networkable", "0")));
    const std::string local_path = platform::JoinPath(AppFolder(), kDatabaseName);
    std::string path = local_path;
    if (networkable == 0) {
      DbStatus() = "No networking enabled, using " + path;
    } else {
      path = Registry::GetRegSetting("Settings", "DatabaseLocation", local_path);
      DbStatus() = "Networking enabled.  Attempting to use " + path;
      if (!platform::PlainFileExists(path)) {
        const std::string unreachable = std::string("Unable to access ") + kCrLf + path + kCrLf +
                                        "Reverting back to " + kCrLf + local_path;
        platform::MsgBox(unreachable);
        DbStatus() += kCrLf + unreachable;
        path = local_path;
      } else {
        DbStatus() += std::string(kCrLf) + "Database file found";
      }
    }
    if (!t_engine) {
      t_engine = platform::CreateObjectAs<contracts::DBEngine>(contracts::kDBEngineProgId);
    }
    auto db = t_engine->OpenDatabase(path, false, false, "");
    if (!db) throw core::ComError(core::kErrCannotOpen, "Could not find file '" + path + "'.");
    DataDb() = std::move(db);
    return true;
  } catch (...) {
    DataError("Start ADO", CurrentFailure());
    platform::MsgBox(DbStatus());
    return false;
  }
}

void DataCreateSet(RecordsetPtr& rs, std::string& sql, int16_t type, int16_t lock) {
  try {
    FixSQL(sql);
    const auto& db = DataDb();
    if (!db) throw NotSet();
    auto opened = db->OpenRecordset(sql, type, 0, lock);
    if (!opened) throw NotSet();
    rs = std::move(opened);
  } catch (...) {
    DataError("Data Create Set", CurrentFailure());
  }
}

bool DataIsEmpty(const RecordsetPtr& rs) {
  if (!rs) return true;
  try {
    return rs->IsBOF() && rs->IsEOF();
  } catch (...) {
    const core::ComError failure = CurrentFailure();
    if (failure.number() != core::kErrObjectClosed) DataError("Data Is Empty", failure);
    return true;
  }
}

bool DataEOF(const RecordsetPtr& rs) {
  if (!rs) return true;
  try {
    return rs->IsEOF();
  } catch (...) {
    DataError("Data EOF", CurrentFailure());
    return true;
  }
}

void DataMoveNext(const RecordsetPtr& rs) {
  try {
    if (!rs) throw NotSet();
    rs->MoveNext();
  } catch (...) {
    DataError("Move Next", CurrentFailure());
  }
}

void DataClose(RecordsetPtr& rs) {
  if (!rs) return;
  try {
    rs->Close();
    rs.reset();
  } catch (...) {
    DataError("Data Close", CurrentFailure());
  }
}

std::string LookupValue(const std::string& expression, const std::string& table,
                        const std::string& condition, const std::string& default_value) {
  std::string sql = "select " + expression + " as result from " + table + " " + condition;
  RecordsetPtr rs;
  DataCreateSet(rs, sql);
  if (DataIsEmpty(rs)) return default_value;
  return core::ToText(IfNull(rs->Field("result"), core::Variant("")));
}

core::Variant IfNull(const core::Variant& value, const core::Variant& default_value) {
  return value.IsNull() ? default_value : value;
}

void DataError(const std::string& label, const core::ComError& failure) {
  // Whatever the source (the database engine's own failures included), the
  // message carries the number and description: a box with only a title
  // tells the user nothing.
  const std::string message = std::string("General Errors...") + kCrLf + kCrLf +
                              std::to_string(failure.number()) + " - " + failure.description() +
                              kCrLf + kCrLf;
  platform::MsgBox(message, label);
  LogError(message);
}

void LogError(const std::string& message) {
  try {
    const core::Date now = platform::Now();
    const core::CivilTime t = now.ToCivil();
    // Before StartADO there is no host folder; the default is where
    // StartADO would look first.
    const std::string folder = AppFolder().empty() ? platform::ComponentFolder() : AppFolder();
    const std::string path = platform::JoinPath(
        folder, "err" + platform::MonthAbbreviation(t.month) + TwoDigits(t.year) + ".log");
    const std::string line = TwoDigits(t.day) + "/" + TwoDigits(t.month) + "/" + TwoDigits(t.year) +
                             " " + TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" +
                             TwoDigits(t.second) + " " + message + kCrLf;
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    // One write per entry, so entries of two processes never interleave.
    [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
    close(fd);
  } catch (...) {
    // A log that cannot be written must not hide the failure being reported.
  }
}

}  // namespace General
