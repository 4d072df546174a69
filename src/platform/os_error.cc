// errno to error numbers.
#include "platform/os_error.h"

#include <cerrno>
#include <cstring>

namespace platform {

int32_t OsErrorNumber(int err) {
  switch (err) {
    case ENOENT:
      return core::kErrFileNotFound;
    case ENOTDIR:
      return core::kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return core::kErrPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return core::kErrDiskFull;
    case ENAMETOOLONG:
      return core::kErrBadFileName;
    case EIO:
      return core::kErrDeviceIO;
    case ENOMEM:
      return core::kErrOutOfMemory;
    default:
      return core::kErrPathFileAccess;
  }
}

core::ComError OsError(const std::string& what, int err, const std::string& source) {
  return core::ComError(OsErrorNumber(err), what + ": " + std::strerror(err), source);
}

}  // namespace platform
