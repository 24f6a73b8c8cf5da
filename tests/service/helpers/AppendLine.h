#pragma once

#include <windows.h>

#include <string>

// Appends one line to a log file that the tests read, opening and closing it each time so that every line
// is on disk before the test looks.
inline void AppendLine(const wchar_t* path, const std::string& line)
{
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return;
    }
    const std::string terminated = line + "\n";
    DWORD written = 0;
    WriteFile(file, terminated.data(), static_cast<DWORD>(terminated.size()), &written, nullptr);
    CloseHandle(file);
}
