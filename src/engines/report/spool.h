// The pages of the current document as a stream of records in a temporary
// file: layout happens as sections are printed, painting when the document
// ends and its page count is known, and no page is kept in memory between.
#ifndef DUNMERROW_ENGINES_REPORT_SPOOL_H_
#define DUNMERROW_ENGINES_REPORT_SPOOL_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "engines/report/page_painter.h"

namespace report_engine {

struct SpoolCopy {
  uint32_t section = 0;  // position in the definition
  int32_t y = 0;         // twips below the top margin
  std::vector<ElementSnapshot> elements;
};

class Spool {
 public:
  Spool() = default;
  ~Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // Raise ComError when the temporary file cannot be written.
  void AddPage();
  void AddCopy(const SpoolCopy& copy);
  // Plays the records back in order; then the spool is empty again.
  void Replay(const std::function<void()>& on_page,
              const std::function<void(const SpoolCopy&)>& on_copy);
  // Forgets every record.
  void Reset();

 private:
  void Open();
  void Put(const void* data, size_t size);
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace report_engine

#endif  // DUNMERROW_ENGINES_REPORT_SPOOL_H_
