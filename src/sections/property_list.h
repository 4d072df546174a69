// The owner's unsold properties with their open tenancies, rents and, in
// detailed mode, each tenancy's balance owing and paid-to date.
#ifndef DUNMERROW_SECTIONS_PROPERTY_LIST_H_
#define DUNMERROW_SECTIONS_PROPERTY_LIST_H_

#include <cstdint>
#include <string>

#include "contracts/report.h"
#include "core/currency.h"
#include "data/general.h"

namespace sections {

// Prints the list through the section "property" and closes it with an empty
// line. Failures reach the caller.
void PrintOwnerPropertyList(contracts::Report& report, const std::string& owner_code,
                            const General::RecordsetPtr& option_set, bool detailed);

// " per week" for 1, " per 2 weeks" otherwise (the "s" for every number but 1).
std::string FrequencyDescription(int16_t number, const std::string& every);

// What the tenant owes as of today.
core::Currency BalanceOwing(const std::string& tenant, const General::RecordsetPtr& option_set);

}  // namespace sections

#endif  // DUNMERROW_SECTIONS_PROPERTY_LIST_H_
