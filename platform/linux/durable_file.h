#pragma once
#include <filesystem>
#include <string>

namespace hush::platform::linux_backend {

// Replaces a file's content so that a crash or power loss leaves either the old or the new file:
// written beside it, flushed, renamed over it, and the folder flushed. A replaced file keeps its
// mode (a user who made it private keeps it private); a new one is readable by all (0644).
bool WriteFileDurably(const std::filesystem::path& file, const std::string& content);
// Makes the missing folders of a path readable and searchable by all (0755) whatever the umask,
// so that an entry meant for every user can be read by every user.
bool CreateFoldersForAll(const std::filesystem::path& folder);
// The whole file, or empty when it can't be read.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace hush::platform::linux_backend
