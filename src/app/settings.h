#pragma once
// Reading tovik.ini into the account table and the account-name list.

#include "app/host_data.h"

#include <string>

// The account table and the account-name list: created by the main window
// (or the command line) before LoadSettings, kept until the process ends.
extern Thostdata* HostData;
extern Tinidata* IniData;

// Directory of the program file, with its trailing '/'.
std::string ProgramDirectory();

// Reads <program directory>/tovik.ini into *HostData and *IniData. False
// exactly when the file does not exist. A count that is no whole number
// raises EConvertError "'abc' is not a valid integer value".
bool LoadSettings();
// The same for the file at iniPath.
bool LoadSettings(const std::string& iniPath);

// The three readers; they read the file LoadSettings is working on.
int ReadHostCount();
std::string ReadSetInfoKey(const std::string& key);
std::string ReadIniValue(const std::string& section, const std::string& key);
