// The component's folder, file checks and atomic writes.
#include "platform/files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

#include "core/com_error.h"
#include "platform/os_error.h"

namespace platform {
namespace {

std::string Dirname(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string Basename(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path, int err) {
  throw core::ComError(OsErrorNumber(err), what + " '" + path + "': " + std::strerror(err));
}

}  // namespace

std::string ComponentFolder() {
  if (const char* home = std::getenv("DUNMERROW_HOME"); home && *home) return home;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ComponentFolder), &info) != 0 && info.dli_fname) {
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return Dirname(resolved);
    return Dirname(info.dli_fname);
  }
  return ".";
}

std::string FolderOf(const std::string& path) { return Dirname(path); }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool PlainFileExists(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) return false;
  const std::string name = Basename(path);
  return !name.empty() && name[0] != '.';
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  temporary_ = JoinPath(Dirname(path_), "." + Basename(path_) + ".XXXXXX");
  fd_ = mkstemp(temporary_.data());
  if (fd_ < 0) RaiseFileError("Cannot write", path_, errno);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!temporary_.empty()) unlink(temporary_.c_str());
}

void AtomicFile::Write(const void* data, size_t size) {
  constexpr size_t kBufferSize = 1 << 16;
  buffer_.append(static_cast<const char*>(data), size);
  if (buffer_.size() >= kBufferSize) Flush();
}

void AtomicFile::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

void AtomicFile::Fail(int err) {
  close(fd_);
  fd_ = -1;
  unlink(temporary_.c_str());
  temporary_.clear();
  RaiseFileError("Cannot write", path_, err);
}

void AtomicFile::Prepare() {
  if (prepared_) return;
  Flush();
  // A replaced file keeps its permissions: a settings file kept private
  // stays private.
  struct stat existing {};
  const mode_t mode = stat(path_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  fchmod(fd_, mode);
  if (fsync(fd_) != 0) Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    const int err = errno;
    unlink(temporary_.c_str());
    RaiseFileError("Cannot write", path_, err);
  }
  prepared_ = true;
}

void AtomicFile::Commit() {
  Prepare();
  if (rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    unlink(temporary_.c_str());
    prepared_ = false;
    RaiseFileError("Cannot write", path_, err);
  }
  prepared_ = false;
  temporary_.clear();
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
  AtomicFile file(path);
  file.Write(contents);
  file.Commit();
}

namespace {

std::string LimitText(uint64_t bytes) {
  constexpr uint64_t kMegabyte = 1024 * 1024;
  if (bytes % kMegabyte == 0) return std::to_string(bytes / kMegabyte) + " MB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string ReadRegularFile(const std::string& path, uint64_t max_bytes, std::string* contents,
                            int* error) {
  int ignored = 0;
  int& err = error ? *error : ignored;
  err = 0;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return std::strerror(err);
  }
  struct stat st {};
  std::string reason;
  if (fstat(fd, &st) != 0) {
    err = errno;
    reason = std::strerror(err);
  } else if (!S_ISREG(st.st_mode)) {
    err = EINVAL;
    reason = "it is not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    err = EFBIG;
    reason = "it is larger than the limit of " + LimitText(max_bytes);
  }
  std::string text;
  char buffer[65536];
  while (reason.empty()) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      reason = std::strerror(err);
      break;
    }
    text.append(buffer, static_cast<size_t>(n));
    if (text.size() > max_bytes) {  // it grew while being read
      err = EFBIG;
      reason = "it is larger than the limit of " + LimitText(max_bytes);
    }
  }
  close(fd);
  if (reason.empty()) *contents = std::move(text);
  return reason;
}

std::string ReadFile(const std::string& path) {
  std::string contents;
  const std::string reason =
      ReadRegularFile(path, std::numeric_limits<uint64_t>::max(), &contents);
  if (!reason.empty()) {
    throw core::ComError(75, "Cannot read '" + path + "': " + reason, "Dunmerrow");
  }
  return contents;
}

FolderLock::FolderLock(const std::string& folder, double wait_seconds) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) RaiseFileError("Cannot create the folder", folder, ec.value());
  if (access(folder.c_str(), W_OK) != 0) RaiseFileError("Cannot write in the folder", folder, errno);
  fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) RaiseFileError("Cannot open the folder", folder, errno);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(wait_seconds);
  while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      const int err = errno;
      close(fd_);
      RaiseFileError("Cannot lock the folder", folder, err);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      close(fd_);
      throw core::ComError(core::kErrPermissionDenied,
                           "another run is using " + folder + "; try again when it has finished");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

FolderLock::~FolderLock() { close(fd_); }

std::string Sha256Hex(const std::string& bytes) {
  gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_SHA256,
                                           reinterpret_cast<const guchar*>(bytes.data()),
                                           bytes.size());
  std::string out(hex);
  g_free(hex);
  return out;
}

}  // namespace platform
