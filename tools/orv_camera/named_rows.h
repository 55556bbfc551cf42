// Tables whose rows carry a name: the row of a name, and the names listed.
#pragma once

#include <string>
#include <vector>

namespace orvcli {

// The row whose `name` is `wanted`, or null.
template <typename Row>
const Row *FindNamed(const std::vector<Row> &rows, const char *Row::*name,
                     const std::string &wanted) {
    for (const Row &row : rows)
        if (wanted == row.*name)
            return &row;
    return nullptr;
}

// "a|b|c" (with `separator` between).
template <typename Row>
std::string NameList(const std::vector<Row> &rows, const char *Row::*name, const char *separator) {
    std::string list;
    for (const Row &row : rows)
        list += (list.empty() ? "" : separator) + std::string(row.*name);
    return list;
}

}  // namespace orvcli
