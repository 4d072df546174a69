// Records are raw host-order integers: the file lives only as long as the
// document and is read back by the process that wrote it.
#include "engines/report/spool.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "core/com_error.h"
#include "platform/os_error.h"

namespace report_engine {

namespace {

constexpr char kPage = 'P';
constexpr char kCopy = 'C';

class Reader {
 public:
  explicit Reader(std::FILE* file) : file_(file) {}
  bool Get(void* data, size_t size) { return std::fread(data, 1, size, file_) == size; }
  template <typename T>
  T Value() {
    T value{};
    if (!Get(&value, sizeof value)) Fail();
    return value;
  }
  [[noreturn]] static void Fail() {
    throw core::ComError(core::kErrDeviceIO, "the page spool file could not be read back",
                         "Vintrel.Report");
  }

 private:
  std::FILE* file_;
};

}  // namespace

Spool::~Spool() {
  if (file_) std::fclose(file_);
}

void Spool::Open() {
  if (file_) return;
  file_ = std::tmpfile();
  if (!file_) {
    throw platform::OsError("cannot create the page spool file", errno, "Vintrel.Report");
  }
}

void Spool::Put(const void* data, size_t size) {
  if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
}

void Spool::AddPage() {
  Open();
  Put(&kPage, 1);
}

void Spool::AddCopy(const SpoolCopy& copy) {
  Open();
  Put(&kCopy, 1);
  Put(&copy.section, sizeof copy.section);
  Put(&copy.y, sizeof copy.y);
  const auto count = static_cast<uint32_t>(copy.elements.size());
  Put(&count, sizeof count);
  for (const ElementSnapshot& e : copy.elements) {
    const int32_t numbers[] = {
        static_cast<int32_t>(e.index),      e.top, e.left, e.width, e.height, e.style,
        static_cast<int32_t>(e.text.size())};
    Put(numbers, sizeof numbers);
    Put(e.text.data(), e.text.size());
  }
  if (failed_) {
    throw platform::OsError("cannot write the page spool file", errno, "Vintrel.Report");
  }
}

void Spool::Replay(const std::function<void()>& on_page,
                   const std::function<void(const SpoolCopy&)>& on_copy) {
  if (!file_) return;
  if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) Reader::Fail();
  Reader reader(file_);
  SpoolCopy copy;
  char kind = 0;
  while (reader.Get(&kind, 1)) {
    if (kind == kPage) {
      on_page();
      continue;
    }
    if (kind != kCopy) Reader::Fail();
    copy.section = reader.Value<uint32_t>();
    copy.y = reader.Value<int32_t>();
    copy.elements.resize(reader.Value<uint32_t>());
    for (ElementSnapshot& e : copy.elements) {
      int32_t numbers[7];
      if (!reader.Get(numbers, sizeof numbers) || numbers[6] < 0) Reader::Fail();
      e.index = static_cast<uint32_t>(numbers[0]);
      e.top = numbers[1];
      e.left = numbers[2];
      e.width = numbers[3];
      e.height = numbers[4];
      e.style = numbers[5];
      e.text.resize(static_cast<size_t>(numbers[6]));
      if (!e.text.empty() && !reader.Get(e.text.data(), e.text.size())) Reader::Fail();
    }
    on_copy(copy);
  }
  Reset();
}

void Spool::Reset() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  failed_ = false;
}

}  // namespace report_engine
