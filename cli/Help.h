#pragma once
// The help texts of tabulon-cli: the usage of every command, printed by --help and after a usage
// error, and each command's own description, printed by COMMAND --help. The manual page is made
// from what these print, so they are the one place the commands are described.
#include <string>

namespace tabulon::cli {

// "usage: tabulon-cli COMMAND ..." with every command's usage line and the exit statuses.
std::string usageText();
// The usage lines of `command` and what it does; empty when there is no such command.
std::string commandHelp(const std::string& command);
// The usage lines of `command` (for a usage error), or the whole usage when there is no such command.
std::string commandUsage(const std::string& command);

}  // namespace tabulon::cli
