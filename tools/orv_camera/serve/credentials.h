// The user name and password that RTSP clients must give (digest authentication). They come
// from a file or the environment, never from the command line, where every user of the
// machine could read them in the process list.
#pragma once

#include <string>

namespace orvcli {

// The environment variable that may hold "USER:PASSWORD".
constexpr const char *kCredentialsVariable = "ORV_RTSP_CREDENTIALS";

struct Credentials {
    std::string user;
    std::string password;
    bool empty() const { return user.empty(); }
};

// Parses "USER:PASSWORD" (the first line; the password may hold ':'). False with *why set
// when the user or the password is empty.
bool ParseCredentials(const std::string &text, Credentials *out, std::string *why);

// The credentials from `path` when it is not empty, else from the environment variable; empty
// credentials when neither gives any. False with *why set when the file cannot be read or
// holds no "USER:PASSWORD" line. A file others may read is used with a warning in *warning.
bool LoadCredentials(const std::string &path, Credentials *out, std::string *why,
                     std::string *warning);

}  // namespace orvcli
