// The component's folder and the file-system questions the component asks.
#ifndef DUNMERROW_PLATFORM_FILES_H_
#define DUNMERROW_PLATFORM_FILES_H_

#include <string>

namespace platform {

// The folder holding the component's library file, or DUNMERROW_HOME when
// that is set. Report definitions and the default logo live there.
std::string ComponentFolder();

// `folder` and `name` joined with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// True for an existing regular file that is not hidden (its name does not
// start with "."). Folders, devices and hidden files do not count.
bool PlainFileExists(const std::string& path);

// Writes `contents` to `path` atomically: a temporary file beside it, then a
// rename. Raises ComError naming the path when that fails; nothing
// half-written is left behind.
void WriteFileAtomically(const std::string& path, const std::string& contents);

// Reads a whole file; raises ComError naming the path when it cannot.
std::string ReadFile(const std::string& path);

}  // namespace platform

#endif  // DUNMERROW_PLATFORM_FILES_H_
