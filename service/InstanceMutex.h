#pragma once

namespace service
{

// Created with initial ownership by the running service and held until its process ends: it marks that this
// session's service runs, and a wait on it returns (abandoned) once that process has exited.
constexpr const wchar_t* kInstanceMutexName = L"TellmarkServiceMutex";

} // namespace service
