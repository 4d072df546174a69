// `dunmerrow demo-data`: writes a demo portfolio database and its settings.
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "core/com_error.h"
#include "demo/demo_portfolio.h"
#include "platform/clock.h"

namespace app {
namespace {

constexpr char kHelp[] =
    "Usage: dunmerrow demo-data --out DIR [--properties N] [--seed S]\n"
    "\n"
    "Writes DIR/property.mdb, a demo host database (SQLite), and DIR/settings.ini,\n"
    "the host settings that point at it. Dates are relative to today\n"
    "(DUNMERROW_NOW fixes it); the same date, N and S give identical files.\n"
    "\n"
    "  --out DIR         the folder to write (created when missing)\n"
    "  --properties N    number of properties (default 200)\n"
    "  --seed S          seed of the made-up data (default 1)\n";

bool ParseWhole(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  if (text.size() > 18) return false;
  value = std::stoll(text);
  return value >= low && value <= high;
}

}  // namespace

int RunDemoData(const Args& args) {
  demo::DemoOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg != "--out" && arg != "--properties" && arg != "--seed")
      return UsageError("demo-data: unknown option '" + arg + "'");
    if (i + 1 >= args.size()) return UsageError("demo-data: " + arg + " needs a value");
    const std::string& value = args[++i];
    long long number = 0;
    if (arg == "--out") {
      options.folder = value;
    } else if (arg == "--properties") {
      if (!ParseWhole(value, 1, 1000000, number))
        return UsageError("demo-data: --properties takes a number from 1 to 1000000, not '" +
                          value + "'");
      options.properties = static_cast<int>(number);
    } else {
      if (!ParseWhole(value, 0, 999999999999999999LL, number))
        return UsageError("demo-data: --seed takes a whole number, not '" + value + "'");
      options.seed = static_cast<uint64_t>(number);
    }
  }
  if (options.folder.empty()) return UsageError("demo-data: --out DIR is required");
  options.today = platform::Today();
  try {
    const demo::DemoSummary s = demo::WriteDemoPortfolio(options);
    std::printf("latest disbursement date: %s\n",
                s.latest_disbursement.ToIso().substr(0, 10).c_str());
    std::printf(
        "owners: %d\nproperties: %d\ntenancies: %d\nrent periods: %d\nreceipts: %d\n"
        "expenses: %d\ndisbursements: %d\nextra fees: %d\nnotes: %d\naccounts: %d\n",
        s.owners, s.properties, s.tenancies, s.rent_periods, s.receipts, s.expenses,
        s.disbursements, s.extra_fees, s.notes, s.accounts);
    return 0;
  } catch (const core::ComError& e) {
    std::fprintf(stderr, "dunmerrow demo-data: %s\n", e.description().c_str());
    return 1;
  }
}

}  // namespace app
