// The company block of the page header, the logo path and the amount format.
#ifndef DUNMERROW_SECTIONS_COMPANY_BLOCK_H_
#define DUNMERROW_SECTIONS_COMPANY_BLOCK_H_

#include <cstdint>
#include <string>

#include "contracts/report.h"

namespace sections {

// Layout of an inserted header line, in twips.
inline constexpr int32_t kHeaderLineHeight = 240;
inline constexpr int32_t kHeaderInsertTop = 720;
inline constexpr int32_t kHeaderLineLeft = 885;
inline constexpr int32_t kHeaderFallbackWidth = 8100;
inline constexpr int32_t kHeaderLineStyle = 2;

// Inserts the company name and address lines the options ask for into the
// "Header" section of `report`, moving the rest of the header down. Reading
// the options may fail outwards; from then on nothing does.
void GetCompanyName(contracts::Report& report);

// Makes room for one line at the insertion top and adds the field `name`
// with `text` there. Never fails outwards: the width comes from the field
// "Square" of the "Header" section of `run_report` (the run's report; may be
// null), or is the fallback width when anything before could not be done.
void AddHeaderLine(contracts::Report* run_report, contracts::ReportSection& section,
                   const std::string& name, const std::string& text);

// The logo picture: the setting Configure/ReportLogo when it names an
// existing plain file, else reportlogo.bmp in the component's folder.
std::string ReportLogoFilename();

// "0.00": two decimals, no thousands separator.
std::string NumberFormatWithComma();

}  // namespace sections

#endif  // DUNMERROW_SECTIONS_COMPANY_BLOCK_H_
