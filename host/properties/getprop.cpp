// getprop NAME: prints a host system property's value (an empty line when unset).
#include <sys/system_properties.h>

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: getprop NAME\n");
        return 2;
    }
    char value[PROP_VALUE_MAX];
    __system_property_get(argv[1], value);
    printf("%s\n", value);
    return 0;
}
