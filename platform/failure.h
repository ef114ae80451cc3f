#pragma once
#include <stdexcept>
#include <string>

namespace hush::platform {

// A run-time failure of a statement; its what() is the description the error report box shows.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace hush::platform
