#pragma once
#include <map>
#include <mutex>

#include "platform/window_system.h"

namespace hush::platform::linux_backend {

// A process-wide atom table with the global table's contract: the same string (case aside) gives
// the same non-zero number for the life of the process.
class ProcessAtoms : public IAtomTable {
 public:
  std::uint16_t GlobalAddAtomA(const std::string& text) override;

 private:
  static std::mutex mutex_;
  static std::map<std::string, std::uint16_t> atoms_;
};

}  // namespace hush::platform::linux_backend
