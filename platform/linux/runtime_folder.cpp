#include "platform/linux/runtime_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace hush::platform::linux_backend {

namespace {

constexpr char kPrefix[] = "hushdial-";
constexpr char kLockSuffix[] = ".lock";

// "hushdial-XXXXXX" links whose "hushdial-XXXXXX.lock" no running copy holds. The claims of shortcuts
// ("hushdial-shortcut-...") are not links and are left alone.
void RemoveLeftLinks(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, kPrefix, sizeof kPrefix - 1) != 0) continue;
    const std::string link = folder + "/" + entry->d_name;
    struct stat seen {};
    if (lstat(link.c_str(), &seen) != 0 || !S_ISLNK(seen.st_mode)) continue;
    const std::string lock = link + kLockSuffix;
    if (Locked(lock)) continue;
    unlink(link.c_str());
    unlink(lock.c_str());
  }
  closedir(dir);
}

// A folder of this user's own in /tmp: made 0700, or found so, and not a link.
std::string OwnTmpFolder() {
  const std::string folder = "/tmp/hushdial-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  struct stat own {};
  if (lstat(folder.c_str(), &own) != 0 || !S_ISDIR(own.st_mode) || own.st_uid != getuid() || (own.st_mode & 077))
    return "";
  return folder;
}

}  // namespace

std::string RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat own {};
  if (runtime && *runtime == '/' && stat(runtime, &own) == 0 && S_ISDIR(own.st_mode) && own.st_uid == getuid() &&
      !(own.st_mode & 022))
    return runtime;
  return OwnTmpFolder();
}

bool Locked(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  // A read lock is enough to be told of a write lock, and is never taken.
  struct flock probe{};
  probe.l_type = F_RDLCK;
  probe.l_whence = SEEK_SET;
  const bool held = fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  close(fd);
  return held;
}

bool SameFile(int fd, const std::string& path) {
  struct stat open {}, named {};
  return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

bool PlainPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (const char c : path)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::strchr("/._+-", c)))
      return false;
  return true;
}

PlainProgram::PlainProgram(const std::string& program, const std::string& folder) {
  if (program.empty()) return;  // no desktop runs it
  if (PlainPath(program)) {
    path_ = program;
    return;
  }
  const std::string plain = PlainPath(folder) ? folder : OwnTmpFolder();
  if (plain.empty()) return;
  RemoveLeftLinks(plain);
  std::string lock = plain + "/" + kPrefix + "XXXXXX" + kLockSuffix;
  fd_ = mkostemps(lock.data(), sizeof kLockSuffix - 1, O_CLOEXEC);
  if (fd_ < 0) return;
  lock_ = lock;
  struct flock hold{};
  hold.l_type = F_WRLCK;
  hold.l_whence = SEEK_SET;
  const std::string link = lock_.substr(0, lock_.size() - (sizeof kLockSuffix - 1));
  if (fcntl(fd_, F_OFD_SETLK, &hold) != 0 || symlink(program.c_str(), link.c_str()) != 0) {
    Remove();
    return;
  }
  path_ = link;
}

void PlainProgram::Remove() {
  if (fd_ < 0) return;
  // Only while the lock file is still this copy's: the folder may have been cleaned meanwhile.
  if (!lock_.empty() && SameFile(fd_, lock_)) {
    unlink(lock_.substr(0, lock_.size() - (sizeof kLockSuffix - 1)).c_str());
    unlink(lock_.c_str());
  }
  close(fd_);
  fd_ = -1;
  lock_.clear();
}

}  // namespace hush::platform::linux_backend
