// A realistic, deterministic demo portfolio: an agency's host database with
// owners, properties, tenancies, rents, receipts, expenses, accounts, notes and
// a monthly disbursement for every owner, plus the settings that point at it.
#ifndef DUNMERROW_DEMO_DEMO_PORTFOLIO_H_
#define DUNMERROW_DEMO_DEMO_PORTFOLIO_H_

#include <cstdint>
#include <string>

#include "core/date.h"

namespace demo {

struct DemoOptions {
  std::string folder;    // receives property.mdb and settings.ini; created when missing
  int properties = 200;  // 1 or more
  uint64_t seed = 1;
  core::Date today;  // every date is relative to it
};

struct DemoSummary {
  core::Date latest_disbursement;  // shared by every owner with an unsold property
  int owners = 0;
  int properties = 0;
  int tenancies = 0;
  int rent_periods = 0;
  int receipts = 0;
  int expenses = 0;
  int disbursements = 0;
  int extra_fees = 0;
  int notes = 0;
  int accounts = 0;
};

// Writes `folder`/property.mdb (a SQLite host database, replaced when it
// exists) and `folder`/settings.ini ([Settings] apppath=<absolute folder>,
// Networkable=0). The same options give byte-identical files. Raises ComError
// naming the file that cannot be written; a failed run leaves no partial
// database behind.
DemoSummary WriteDemoPortfolio(const DemoOptions& options);

// The latest month end on or before `today`: the date of the last
// disbursement of the demo portfolio.
core::Date LatestDisbursementDate(const core::Date& today);

}  // namespace demo

#endif  // DUNMERROW_DEMO_DEMO_PORTFOLIO_H_
