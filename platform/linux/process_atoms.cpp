#include "platform/linux/process_atoms.h"

#include <cctype>

namespace hush::platform::linux_backend {

std::mutex ProcessAtoms::mutex_;
std::map<std::string, std::uint16_t> ProcessAtoms::atoms_;

std::uint16_t ProcessAtoms::GlobalAddAtomA(const std::string& text) {
  if (text.empty() || text.size() > 255) return 0;
  std::string key = text;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = atoms_.find(key);
  if (it != atoms_.end()) return it->second;
  if (atoms_.size() >= 0x3FFF) return 0;  // string atoms run from 0xC000 to 0xFFFF
  const auto atom = static_cast<std::uint16_t>(0xC000 + atoms_.size());
  atoms_.emplace(key, atom);
  return atom;
}

}  // namespace hush::platform::linux_backend
