#include "platform/linux/runtime_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace hush::platform::linux_backend {

namespace {

constexpr char kLinkPrefix[] = "hushdial-";

std::string LinkTarget(const std::string& path) {
  std::vector<char> target(4096);
  const ssize_t size = readlink(path.c_str(), target.data(), target.size());
  return size > 0 && static_cast<std::size_t>(size) < target.size() ? std::string(target.data(), static_cast<std::size_t>(size)) : "";
}

bool Digits(const char* text) {
  if (!*text) return false;
  for (; *text; ++text)
    if (*text < '0' || *text > '9') return false;
  return true;
}

// A link "hushdial-PID" whose copy is gone: no such process, or one that is not running that program.
void RemoveLeftLinks(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, kLinkPrefix, sizeof kLinkPrefix - 1) != 0) continue;
    const char* pid = entry->d_name + sizeof kLinkPrefix - 1;
    if (!Digits(pid)) continue;
    const std::string link = folder + "/" + entry->d_name;
    struct stat seen {};
    if (lstat(link.c_str(), &seen) != 0 || !S_ISLNK(seen.st_mode)) continue;
    const std::string running = LinkTarget(std::string("/proc/") + pid + "/exe");
    if (running.empty() || running != LinkTarget(link)) unlink(link.c_str());
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
  if (runtime && *runtime == '/') return runtime;
  return OwnTmpFolder();
}

bool PlainPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (const char c : path)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::strchr("/._+-", c)))
      return false;
  return true;
}

std::string PlainProgramPath(const std::string& program, const std::string& folder) {
  if (PlainPath(program)) return program;
  const std::string plain = PlainPath(folder) ? folder : OwnTmpFolder();
  if (plain.empty()) return "";
  RemoveLeftLinks(plain);
  const std::string link = plain + "/" + kLinkPrefix + std::to_string(getpid());
  // Made under another name and renamed over, so the link is never seen half made.
  const std::string making = link + ".new";
  unlink(making.c_str());
  if (symlink(program.c_str(), making.c_str()) != 0 || rename(making.c_str(), link.c_str()) != 0) {
    unlink(making.c_str());
    return "";
  }
  return link;
}

void RemovePlainProgramPath(const std::string& path, const std::string& program) {
  if (path.empty() || path == program) return;
  if (LinkTarget(path) == program) unlink(path.c_str());
}

}  // namespace hush::platform::linux_backend
