#pragma once
// Runs tabulon-cli, or one of its commands in this process, and collects what it printed.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

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

// What a command printed for `words`; `extra` are its further arguments.
template <typename Command, typename... Extra>
std::string printedBy(Command command, const std::vector<std::string>& words, Extra... extra) {
    std::ostringstream out;
    command(words, out, extra...);
    return out.str();
}

}  // namespace tabulon::testing
