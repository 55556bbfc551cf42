// Host stand-in for bionic's <sys/system_properties.h>: the one call the libraries use.
// On Android the platform's header and libc provide it; this folder is never built there.
#pragma once

#define PROP_NAME_MAX 32
#define PROP_VALUE_MAX 92

#ifdef __cplusplus
extern "C" {
#endif

// Copies the value of property `name` into `value` (room for PROP_VALUE_MAX bytes, always
// NUL-terminated) and returns its length. An unset property gives 0 and an empty string.
// The backing store is read on every call, so a change is seen by the next call.
int __system_property_get(const char *name, char *value);

#ifdef __cplusplus
}
#endif
