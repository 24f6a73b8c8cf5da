#pragma once

// Process-wide switch that makes registration scripts write per user: off when the module loads,
// turned on by per-user installation and never turned off while the module stays loaded.
bool IsPerUserRegistrationEnabled();
void EnablePerUserRegistration();
