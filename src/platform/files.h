// The component's folder and the file-system questions the component asks.
#ifndef DUNMERROW_PLATFORM_FILES_H_
#define DUNMERROW_PLATFORM_FILES_H_

#include <cstdint>
#include <limits>
#include <string>

namespace platform {

// The folder holding the component's library file, or DUNMERROW_HOME when
// that is set. Report definitions and the default logo live there.
std::string ComponentFolder();

// `folder` and `name` joined with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder part of `path`: "." for a bare name, "/" for a file in the root.
std::string FolderOf(const std::string& path);

// True for an existing regular file that is not hidden (its name does not
// start with "."). Folders, devices and hidden files do not count.
bool PlainFileExists(const std::string& path);

// A file written whole or not at all. The bytes go to a hidden temporary
// file beside `path`; Commit() writes them to the disk and renames the file
// to `path`. Every write, the flush to the disk and the close are checked: a
// failure raises ComError "Cannot write 'PATH': REASON" (its number by the
// kind of failure, e.g. 61 for a full disk) and removes the temporary file,
// as destroying the object before Commit() does. `path` never holds part of
// a file. A file that is replaced keeps its permissions; a new one is 0644.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(const void* data, size_t size);
  void Write(const std::string& text) { Write(text.data(), text.size()); }
  // Writes what is left and flushes it to the disk, without renaming yet:
  // files that belong together are all prepared, then all committed.
  void Prepare();
  // Prepares when not done yet, then renames the file to `path`.
  void Commit();
  const std::string& path() const { return path_; }

 private:
  void Flush();
  [[noreturn]] void Fail(int err);

  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  bool prepared_ = false;
  std::string buffer_;  // writes gathered into large ones
};

// Writes `contents` to `path` atomically: a temporary file beside it, then a
// rename. A file that is replaced keeps its permissions; a new one is 0644.
// Raises ComError naming the path when that fails; nothing half-written is
// left behind.
void WriteFileAtomically(const std::string& path, const std::string& contents);

// Reads the regular file `path` whole into `*contents`. The file is opened
// without blocking and checked before anything is read, so a FIFO, a device
// or a folder is refused rather than waited on. Returns "" on success, else
// the reason in words that can follow the path: "it is not a regular file",
// "it is larger than the limit of 20 MB", or the system's reason. `*error`,
// when given, gets the errno value of the cause (EINVAL for a file that is not
// regular, EFBIG for one over `max_bytes`).
std::string ReadRegularFile(const std::string& path, uint64_t max_bytes, std::string* contents,
                            int* error = nullptr);

// Reads a whole regular file; raises ComError "Cannot read 'PATH': REASON"
// when it cannot (ReadRegularFile's reasons).
std::string ReadFile(const std::string& path);

// An exclusive lock on a folder, for one run or one send at a time: held
// from construction to destruction, on the folder itself, so that no lock
// file is left behind. Another process asking for it waits up to
// `wait_seconds`, then gets ComError 70 "another run is using FOLDER". The
// folder is created when missing; raises ComError naming it when it cannot
// be created, opened or written.
class FolderLock {
 public:
  FolderLock(const std::string& folder, double wait_seconds);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// The SHA-256 of `bytes` in lower-case hex.
std::string Sha256Hex(const std::string& bytes);

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_FILES_H_
