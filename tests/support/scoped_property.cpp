#include "scoped_property.h"

#include <gtest/gtest.h>
#include <host_properties.h>
#include <sys/system_properties.h>

#include <cerrno>
#include <cstring>

namespace orvtest {

void SetProperty(const std::string &name, const std::string &value) {
    ASSERT_EQ(0, orv_host_property_set(name.c_str(), value.c_str()))
        << orv_host_property_file() << ": " << strerror(errno);
}

ScopedProperty::ScopedProperty(std::string name, const std::string &value)
    : name_(std::move(name)) {
    char old[PROP_VALUE_MAX];
    __system_property_get(name_.c_str(), old);
    previous_ = old;
    SetProperty(name_, value);
}

ScopedProperty::~ScopedProperty() {
    SetProperty(name_, previous_);
}

}  // namespace orvtest
