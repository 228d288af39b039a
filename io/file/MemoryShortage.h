// MemoryShortage: memory that ran out where the line can name the file and what was being made,
// thrown past code that cannot say it: a std::bad_alloc whose what() is the whole line.
#pragma once

#include <new>
#include <string>
#include <utility>

namespace kalderino {

class MemoryShortage : public std::bad_alloc {
public:
    explicit MemoryShortage(std::string line) : line(std::move(line)) {}
    const char* what() const noexcept override { return line.c_str(); }

private:
    std::string line;  // "file: not enough memory for ..."
};

}  // namespace kalderino
