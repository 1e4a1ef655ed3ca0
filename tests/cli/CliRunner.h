#pragma once
// Runs tabulon-cli and collects what it printed and its exit status.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace tabulon::testing {

struct Outcome {
    int status;
    std::string output;  // standard output and standard error together
};

inline Outcome runCli(const std::string& arguments) {
    const std::string command = std::string(TABULON_CLI) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    const int raw = pclose(pipe);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, output};
}

}  // namespace tabulon::testing
