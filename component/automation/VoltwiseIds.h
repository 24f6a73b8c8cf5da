#pragma once

#include <windows.h>

// Identity of the battery class, its interface and the type library that describes them.
inline constexpr CLSID CLSID_BatteryRemainingTime = {
    0xA88E986F, 0x2DD5, 0x4E8F, {0x8A, 0x8B, 0x55, 0xFB, 0xA0, 0x01, 0xD8, 0xE9}};
inline constexpr IID IID_IBatteryRemainingTime = {
    0x57C42397, 0x6AE3, 0x4AC5, {0xAF, 0x16, 0x46, 0x6B, 0xCA, 0x2C, 0x25, 0x2A}};
inline constexpr GUID LIBID_VoltwiseLib = {
    0xA540F5D3, 0xA097, 0x4DD8, {0xA6, 0x9E, 0xB4, 0xF4, 0xEF, 0x2F, 0xDC, 0x82}};
inline constexpr WORD kVoltwiseLibMajorVersion = 1;
inline constexpr WORD kVoltwiseLibMinorVersion = 0;

// DISPID of GetRemainingTime in the type library.
inline constexpr DISPID kDispIdGetRemainingTime = 1;
