#pragma once
#include <string>

namespace hush::platform::linux_backend {

// The user's runtime folder ($XDG_RUNTIME_DIR); else /tmp/hushdial-UID, made by this user, 0700,
// not a link. "" when neither can be had.
std::string RuntimeFolder();

// Whether a desktop can be handed the path as it stands: letters, digits, "/._+-" only. sway splits
// a run-time binding's command on ";" and "," and gives the rest to a shell; GNOME takes UTF-8 only.
bool PlainPath(const std::string& path);

// The path a desktop runs for a press: the program's own where it is plain, else a link to it of
// this copy's own in a plain folder (so no part of a folder's name is ever parsed, let alone run).
// "" when no plain path can be had. Links of copies that ended without removing theirs are removed.
std::string PlainProgramPath(const std::string& program, const std::string& folder);
// Removes this copy's link, if it made one.
void RemovePlainProgramPath(const std::string& path, const std::string& program);

}  // namespace hush::platform::linux_backend
