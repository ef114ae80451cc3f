#include "platform/linux/shortcut_claims.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "platform/linux/runtime_folder.h"

namespace hush::platform::linux_backend {

namespace {

struct flock WholeFile(short type) {
  struct flock lock{};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

}  // namespace

ShortcutClaims::ShortcutClaims(std::string folder) : folder_(folder.empty() ? RuntimeFolder() : std::move(folder)) {}

ShortcutClaims::~ShortcutClaims() {
  while (!held_.empty()) Release(held_.begin()->first);
}

std::string ShortcutClaims::Name(std::uint32_t modifiers, std::uint32_t vk) {
  std::string name;
  if (modifiers & kModControl) name += "ctrl-";
  if (modifiers & kModShift) name += "shift-";
  if (modifiers & kModAlt) name += "alt-";
  if (modifiers & kModWin) name += "super-";
  return name + static_cast<char>(std::tolower(static_cast<int>(vk & 0x7f)));
}

std::string ShortcutClaims::Path(const std::string& name) const { return folder_ + "/hushdial-shortcut-" + name + ".lock"; }

bool ShortcutClaims::Claim(const std::string& name) {
  if (held_.count(name)) return true;
  if (folder_.empty()) return true;
  const std::string path = Path(name);
  // The file may be unlinked by the copy that held it between the open and the lock: the lock then
  // sits on a file nobody else can find, so it is taken again on the one the name now gives.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no claims here (a read-only folder): as without them
    struct flock lock = WholeFile(F_WRLCK);
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
      const bool taken = errno == EAGAIN || errno == EACCES;
      close(fd);
      if (taken) return false;
      return true;
    }
    if (SameFile(fd, path)) {
      held_[name] = fd;
      return true;
    }
    close(fd);
  }
  return false;
}

void ShortcutClaims::Release(const std::string& name) {
  const auto found = held_.find(name);
  if (found == held_.end()) return;
  // Unlinked while still locked: a copy that opened it meanwhile finds its lock on a lost file and
  // retries. Only while the name still gives this file: never another copy's.
  if (SameFile(found->second, Path(name))) unlink(Path(name).c_str());
  close(found->second);
  held_.erase(found);
}

ShortcutClaims::Turn ShortcutClaims::TakeTurn() const {
  if (folder_.empty()) return Turn(-1);
  const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Turn(-1);
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd);
      return Turn(-1);
    }
  }
  return Turn(fd);
}

ShortcutClaims::Turn::~Turn() {
  if (fd_ >= 0) close(fd_);
}

bool ShortcutClaims::HeldElsewhere(const std::string& name) const {
  // This object's own lock shows as another's to a file description of its own.
  return !folder_.empty() && held_.count(name) == 0 && Locked(Path(name));
}

bool ClaimedHotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (ended_) return false;
  // A letter or digit, as every desktop's way takes: nothing else may name a claim's file.
  if (!(vk >= 'A' && vk <= 'Z') && !(vk >= '0' && vk <= '9')) return false;
  if (claimed_.count({window, id})) return inner_.RegisterHotKey(window, id, modifiers, vk);  // refused there
  const std::string name = ShortcutClaims::Name(modifiers, vk);
  for (const auto& [key, held] : claimed_)
    if (held == name) return inner_.RegisterHotKey(window, id, modifiers, vk);  // this copy's: refused there
  if (!claims_.Claim(name)) return false;
  if (!inner_.RegisterHotKey(window, id, modifiers, vk)) {
    claims_.Release(name);
    return false;
  }
  claimed_[{window, id}] = name;
  return true;
}

bool ClaimedHotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (ended_) return false;
  const bool done = inner_.UnregisterHotKey(window, id);
  const auto found = claimed_.find({window, id});
  if (found != claimed_.end()) {
    claims_.Release(found->second);
    claimed_.erase(found);
  }
  return done;
}

void ClaimedHotkeys::End(const std::function<void()>& removeAll) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (ended_) return;
  ended_ = true;
  if (removeAll) removeAll();
  for (const auto& [key, name] : claimed_) claims_.Release(name);
  claimed_.clear();
}

}  // namespace hush::platform::linux_backend
