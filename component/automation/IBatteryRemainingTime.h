#pragma once

#include <windows.h>
#include <oaidl.h>

// The battery interface; its function table order is the contract the type library records.
struct IBatteryRemainingTime : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE GetRemainingTime(long* BRTime) = 0;
};

__CRT_UUID_DECL(IBatteryRemainingTime, 0x57C42397, 0x6AE3, 0x4AC5, 0xAF, 0x16, 0x46, 0x6B, 0xCA, 0x2C, 0x25,
                0x2A)
