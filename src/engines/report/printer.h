// Printing through CUPS: a finished PDF handed to the `lp` command.
#ifndef DUNMERROW_ENGINES_REPORT_PRINTER_H_
#define DUNMERROW_ENGINES_REPORT_PRINTER_H_

#include <string>

namespace report_engine {

// Submits `pdf_path` to `printer` ("" = the default destination). Raises
// ComError naming the file when `lp` is missing or refuses the job, with
// what `lp` said; the file itself is left in place.
void SubmitToPrinter(const std::string& pdf_path, const std::string& printer);

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_PRINTER_H_
