#include "host_properties.h"

#include <sys/system_properties.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

const char kDefaultFile[] = "/tmp/orv.properties";

std::string trim(const std::string &s) {
    const char *ws = " \t\r\n";
    const size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

// Splits a "name=value" line. Comments and lines without '=' give false.
bool parse_line(const std::string &raw, std::string *name, std::string *value) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#')
        return false;
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    *name = trim(line.substr(0, eq));
    *value = trim(line.substr(eq + 1));
    return !name->empty();
}

}  // namespace

extern "C" const char *orv_host_property_file(void) {
    const char *env = getenv("ORV_PROPERTIES_FILE");
    return (env != nullptr && env[0] != '\0') ? env : kDefaultFile;
}

extern "C" int __system_property_get(const char *name, char *value) {
    if (value == nullptr)
        return 0;
    value[0] = '\0';
    if (name == nullptr)
        return 0;
    const int saved_errno = errno;  // callers log errno after us: leave it as it was
    std::string found;
    if (FILE *f = fopen(orv_host_property_file(), "re")) {
        char buf[1024];
        std::string n, v;
        while (fgets(buf, sizeof buf, f) != nullptr) {
            if (parse_line(buf, &n, &v) && n == name)
                found = v;  // the last line wins
        }
        fclose(f);
    }
    errno = saved_errno;
    const size_t len = std::min(found.size(), static_cast<size_t>(PROP_VALUE_MAX - 1));
    memcpy(value, found.data(), len);
    value[len] = '\0';
    return static_cast<int>(len);
}

extern "C" int orv_host_property_set(const char *name, const char *value) {
    if (name == nullptr || name[0] == '\0' || strchr(name, '=') != nullptr ||
        strchr(name, '\n') != nullptr || (value != nullptr && strchr(value, '\n') != nullptr)) {
        errno = EINVAL;
        return -1;
    }
    const std::string path = orv_host_property_file();
    std::ostringstream out;
    {
        std::ifstream in(path);
        std::string line, n, v;
        while (std::getline(in, line)) {
            if (parse_line(line, &n, &v) && n == name)
                continue;
            out << line << '\n';
        }
    }
    if (value != nullptr && value[0] != '\0')
        out << name << '=' << value << '\n';

    const std::string tmp = path + ".tmp." + std::to_string(getpid());
    FILE *f = fopen(tmp.c_str(), "we");
    if (f == nullptr)
        return -1;
    const std::string text = out.str();
    const bool written = fwrite(text.data(), 1, text.size(), f) == text.size();
    if (fclose(f) != 0 || !written) {
        const int e = errno;
        unlink(tmp.c_str());
        errno = e;
        return -1;
    }
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        unlink(tmp.c_str());
        errno = e;
        return -1;
    }
    return 0;
}
