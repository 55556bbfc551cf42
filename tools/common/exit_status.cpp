#include "exit_status.h"

#include <cstdio>

namespace orvtool {
namespace {

std::string &ProgramName() {
    static std::string name;
    return name;
}

}  // namespace

void SetProgramName(const std::string &name) {
    ProgramName() = name;
}

int Fail(int code, const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", ProgramName().c_str(), message.c_str());
    return code;
}

}  // namespace orvtool
