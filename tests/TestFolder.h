// TestFolder: a fresh folder, the working directory while a test runs, removed afterwards.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kalderino {

class TestFolder {
public:
    // Under $TMPDIR or /tmp, named by mkdtemp; an exception fails the test it was made for.
    TestFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = base != nullptr && *base != '\0' ? base : "/tmp";
        pattern += "/kalderino-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        path = std::filesystem::absolute(pattern);
        std::filesystem::current_path(path);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path path;  // absolute
};

}  // namespace kalderino
