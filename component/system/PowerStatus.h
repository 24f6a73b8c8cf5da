#pragma once

#include <windows.h>

// Asks the platform for the system power status; false when the request fails.
bool QuerySystemPowerStatus(SYSTEM_POWER_STATUS& status);
