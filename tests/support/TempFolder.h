#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it afterwards.
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

namespace tabulon::testing {

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("tabulon-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Whether the long runs (crash tests with hundreds of kills) were asked for.
inline bool longTests() { return std::getenv("TABULON_LONG_TESTS") != nullptr; }

}  // namespace tabulon::testing
