// The component's folder, file checks and atomic writes.
#include "platform/files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

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

void WriteFileAtomically(const std::string& path, const std::string& contents) {
  std::string tmp_name(1, '.');
  tmp_name += Basename(path);
  tmp_name += ".XXXXXX";
  std::string tmp = JoinPath(Dirname(path), tmp_name);
  const int fd = mkstemp(tmp.data());
  if (fd < 0) RaiseFileError("Cannot write", path, errno);
  size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      unlink(tmp.c_str());
      RaiseFileError("Cannot write", path, err);
    }
    done += static_cast<size_t>(n);
  }
  fchmod(fd, 0644);
  if (fsync(fd) != 0 || close(fd) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    RaiseFileError("Cannot write", path, err);
  }
  if (rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    RaiseFileError("Cannot write", path, err);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) RaiseFileError("Cannot read", path, errno ? errno : ENOENT);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace platform
