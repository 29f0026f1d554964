#pragma once
// The settings file and the account a command works on.

#include "app/host_data.h"
#include "cli/options.h"

#include <string>

// The settings file the options name, or tovik.ini beside the program.
std::string SettingsPath(const CliOptions& options);

// Loads the settings file into the account table (HostData, IniData) and
// returns the table. CliError when the file is missing or its count is no
// number.
const Thostdata& LoadAccountTable(const CliOptions& options);

// The account --account names (number or name; account 1 by default), with
// --port applied. CliError when there is no such account.
Thostrec ChooseAccount(const Thostdata& table, const CliOptions& options);
