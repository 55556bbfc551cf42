// Sets a system property for the length of a scope, restoring the previous value after.
#pragma once

#include <string>

namespace orvtest {

class ScopedProperty {
  public:
    // An empty value unsets the property.
    ScopedProperty(std::string name, const std::string &value);
    ~ScopedProperty();
    ScopedProperty(const ScopedProperty &) = delete;
    ScopedProperty &operator=(const ScopedProperty &) = delete;

  private:
    std::string name_;
    std::string previous_;
};

// Sets (or, with an empty value, unsets) a property; fails the test on error.
void SetProperty(const std::string &name, const std::string &value);

}  // namespace orvtest
