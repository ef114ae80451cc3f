#pragma once
#include <string>

namespace hush::platform::linux_backend {

// The user's runtime folder ($XDG_RUNTIME_DIR, where it is a folder of this user's that nobody else
// may write to: not the one inherited across su or sudo); else /tmp/hushdial-UID, made by this user,
// 0700, not a link. "" when neither can be had.
std::string RuntimeFolder();

// Whether a file description other than the caller's holds an OFD write lock on the file (one of
// the caller's own counts too: each open file description is another).
bool Locked(const std::string& path);

// Whether the descriptor is the file the path names now (not one unlinked or replaced since).
bool SameFile(int fd, const std::string& path);

// Whether a desktop can be handed the path as it stands: letters, digits, "/._+-" only. sway splits
// a run-time binding's command on ";" and "," and gives the rest to a shell; GNOME takes UTF-8 only.
bool PlainPath(const std::string& path);

// The path a desktop runs for a press: the program's own where it is plain, else a link to it of
// this copy's own in a plain folder (so no part of a folder's name is ever parsed, let alone run).
// Beside the link lies a lock file this copy holds while it runs: links whose lock nobody holds are
// what copies that were killed left, and are removed.
class PlainProgram {
 public:
  PlainProgram(const std::string& program, const std::string& folder);
  ~PlainProgram() { Remove(); }
  PlainProgram(const PlainProgram&) = delete;
  PlainProgram& operator=(const PlainProgram&) = delete;

  // "" when no plain path could be had, or none was asked for (an empty program).
  const std::string& Path() const { return path_; }
  // Takes the link and its lock away (the end of the program); the program's own path stays.
  void Remove();

 private:
  std::string path_;
  std::string lock_;
  int fd_ = -1;
};

}  // namespace hush::platform::linux_backend
