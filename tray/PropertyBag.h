#pragma once
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "platform/picture.h"

namespace hush {

// The stored properties of a control, kept by its container with the window layout.
class PropertyBag {
 public:
  using Value = std::variant<std::monostate, bool, std::string, platform::PicturePtr>;

  // The stored value, or the default when the name was never written.
  Value ReadProperty(const std::string& name, Value fallback) const {
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
  }
  void WriteProperty(const std::string& name, Value value) {
    if (!values_.count(name)) order_.push_back(name);
    values_[name] = std::move(value);
  }
  // Names in the order they were first written.
  const std::vector<std::string>& Order() const { return order_; }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }

 private:
  std::map<std::string, Value> values_;
  std::vector<std::string> order_;
};

// What a control asks of the window that carries it.
class IControlContainer {
 public:
  virtual ~IControlContainer() = default;
  // True while the program runs, false while the window is being designed.
  virtual bool UserMode() = 0;
  // A stored property changed, so the layout must be saved again.
  virtual void PropertyChanged(const std::string& name) = 0;
};

}  // namespace hush
