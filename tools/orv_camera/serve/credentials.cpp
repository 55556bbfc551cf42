#include "credentials.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace orvcli {

bool ParseCredentials(const std::string &text, Credentials *out, std::string *why) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == line.size()) {
        *why = "credentials must be USER:PASSWORD, both not empty";
        return false;
    }
    out->user = line.substr(0, colon);
    out->password = line.substr(colon + 1);
    return true;
}

bool LoadCredentials(const std::string &path, Credentials *out, std::string *why,
                     std::string *warning) {
    if (path.empty()) {
        const char *value = std::getenv(kCredentialsVariable);
        if (!value || !*value) {
            *out = Credentials();
            return true;
        }
        if (!ParseCredentials(value, out, why)) {
            *why = std::string(kCredentialsVariable) + ": " + *why;
            return false;
        }
        return true;
    }
    std::ifstream file(path);
    if (!file) {
        *why = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    std::getline(file, line);
    if (!ParseCredentials(line, out, why)) {
        *why = path + ": " + *why;
        return false;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)))
        *warning = path + " may be read by other users (chmod 600 " + path + ")";
    return true;
}

}  // namespace orvcli
