// Printing through CUPS: a finished PDF handed to the `lp` command.
#ifndef DUNMERROW_ENGINES_REPORT_PRINTER_H_
#define DUNMERROW_ENGINES_REPORT_PRINTER_H_

#include <chrono>
#include <string>

namespace report_engine {

// How long `lp` may take to accept a job before it is given up.
inline constexpr std::chrono::seconds kPrinterTimeout{60};

// Submits `pdf_path` to `printer` ("" = the default destination). Raises
// ComError naming the file when `lp` is missing (kErrFileNotFound), refuses
// the job with what `lp` said, or has not finished within `timeout`
// (kErrPrinter); `lp` and anything it started are then killed. The file
// itself is always left in place.
void SubmitToPrinter(const std::string& pdf_path, const std::string& printer,
                     std::chrono::seconds timeout = kPrinterTimeout);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_PRINTER_H_
