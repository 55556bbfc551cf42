// setprop NAME VALUE: sets a host system property (an empty VALUE unsets it).
#include "host_properties.h"

#include <cstdio>
#include <cstring>
#include <cerrno>

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: setprop NAME VALUE\n");
        return 2;
    }
    if (orv_host_property_set(argv[1], argv[2]) != 0) {
        fprintf(stderr, "setprop: %s: %s\n", orv_host_property_file(), strerror(errno));
        return 1;
    }
    return 0;
}
