#pragma once
// The --help texts: one for the program, one for each command.

#include "cli/options.h"

#include <string>

// The help of a command, or of the program for Command::None.
std::string HelpText(Command command);
