#include "app/host_data.h"

#include "app/settings.h"

// Created by whoever starts the program (main window or command line).
Thostdata* HostData = nullptr;
Tinidata* IniData = nullptr;
