// Outside Windows, the few Win32 and COM types the interfaces are written in, so that the host
// tree can build the program's control layer against the virtual emulator's model. Nothing that
// ships uses this file.
#pragma once
#include <cstdint>
#include <cstring>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;  // 32 bits, as on Windows (unsigned long is 64 bits here)
using LONG = int32_t;
using ULONG = uint32_t;
using HRESULT = int32_t;
using ULONG_PTR = uintptr_t;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;

inline bool IsEqualGUID(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

#define MAX_PATH 260
#define STDMETHODCALLTYPE
#define S_OK HRESULT(0)
#define E_NOTIMPL HRESULT(0x80004001)
#define E_NOINTERFACE HRESULT(0x80004002)
#define E_POINTER HRESULT(0x80004003)
#define E_FAIL HRESULT(0x80004005)
#define E_OUTOFMEMORY HRESULT(0x8007000E)

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
