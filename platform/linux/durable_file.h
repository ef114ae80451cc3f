#pragma once
#include <filesystem>
#include <string>

namespace hush::platform::linux_backend {

// Replaces a file's content so that a crash or power loss leaves either the old or the new file:
// written beside it, flushed, renamed over it, and the folder flushed. Creates missing folders.
bool WriteFileDurably(const std::filesystem::path& file, const std::string& content);
// The whole file, or empty when it can't be read.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace hush::platform::linux_backend
