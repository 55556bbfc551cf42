// Where the host stand-in keeps system properties, and how tools and tests change them.
//
// Properties live in a text file of "name=value" lines ('#' starts a comment). The file is
// named by the environment variable ORV_PROPERTIES_FILE, else /tmp/orv.properties. A missing
// file means no property is set. Values are cut to PROP_VALUE_MAX - 1 characters when read.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The properties file in use for this process (reads ORV_PROPERTIES_FILE at every call).
const char *orv_host_property_file(void);

// Sets `name` to `value` (an empty value unsets it), replacing the file atomically so a
// concurrent reader sees either the old or the new contents. Returns 0, or -1 with errno set.
int orv_host_property_set(const char *name, const char *value);

#ifdef __cplusplus
}
#endif
