// The component library's interfaces and ids, shared by cadrel.exe and tamber_co.dll.
// Slots are fixed: a reserved slot keeps its place so every later operation stays where the
// other side expects it. Reserved slots answer E_NOTIMPL. Reserved arguments are passed as 0.
#pragma once
#ifdef _WIN32
#include <windows.h>
#include <unknwn.h>
#else
#include "interface/NativeComTypes.h"
#endif

// {4DDEFD95-9D14-11CF-9A59-00AA002676D3}
inline constexpr GUID CLSID_EmulatorSystem = {0x4DDEFD95, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};
inline constexpr GUID IID_EmulatorSystem = {0x4DDEFD94, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};
inline constexpr GUID IID_EmulatorDevice = {0x4DDEFD92, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};
inline constexpr GUID IID_EmulatorSink = {0x4DDEFD88, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};
inline constexpr GUID CLSID_SettingsRegistry = {0x4DDEFD8B, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};
inline constexpr GUID IID_SettingsRegistry = {0x4DDEFD8A, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};
// Our own choice: the key's id is never asked for by the program, only answered by QueryInterface.
inline constexpr GUID IID_SettingsKey = {0x4DDEFD8C, 0x9D14, 0x11CF, {0x9A, 0x59, 0x00, 0xAA, 0x00, 0x26, 0x76, 0xD3}};

// GetStatus kinds.
enum : DWORD { StatusKindStatus = 1, StatusKindErrorDetail = 2, StatusKindCutProgress = 3 };
enum : DWORD { StatusBlockSize = 20, ErrorDetailBlockSize = 42, CutProgressBlockSize = 12, TargetBlockSize = 200 };

// The program's callback object; the component reports events through Notify (kind 1 = a line
// for the Messages list). The text is writable: the receiver may rewrite it in place.
struct EmulatorSink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Notify(DWORD kind, char* text) = 0;           // 3
};

struct EmulatorDevice : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AcquireHandle(ULONG_PTR reserved, DWORD* handle, ULONG_PTR reserved2,
                                                    ULONG_PTR reserved3) = 0;                              // 3
    virtual HRESULT STDMETHODCALLTYPE ReleaseHandle(DWORD handle, ULONG_PTR reserved, ULONG_PTR reserved2) = 0; // 4
    virtual HRESULT STDMETHODCALLTYPE SetMessageSink(EmulatorSink* sink, ULONG_PTR reserved, ULONG_PTR reserved2,
                                                     ULONG_PTR reserved3, ULONG_PTR reserved4,
                                                     ULONG_PTR reserved5) = 0;                             // 5
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;                                                     // 6
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;                                                     // 7
    virtual HRESULT STDMETHODCALLTYPE DownloadCutterModule(DWORD handle, const BYTE* image, DWORD length,
                                                           ULONG_PTR reserved, ULONG_PTR reserved2) = 0;   // 8
    virtual HRESULT STDMETHODCALLTYPE QueryMode(DWORD handle, BYTE* buffer, DWORD length, BYTE* second,
                                                ULONG_PTR reserved) = 0;                                   // 9
    virtual HRESULT STDMETHODCALLTYPE SetMode(DWORD handle, DWORD modeWord, ULONG_PTR reserved) = 0;       // 10
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;                                                    // 11
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;                                                    // 12
    virtual HRESULT STDMETHODCALLTYPE TestReady(DWORD handle, ULONG_PTR reserved) = 0;                     // 13
    virtual HRESULT STDMETHODCALLTYPE GetTargetInfo(DWORD handle, BYTE* buffer, DWORD* size,
                                                    ULONG_PTR reserved) = 0;                               // 14
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;                                                    // 15
    virtual HRESULT STDMETHODCALLTYPE WriteMemory(DWORD handle, DWORD address, const BYTE* data,
                                                  DWORD length) = 0;                                       // 16
    virtual HRESULT STDMETHODCALLTYPE ReadMemory(DWORD handle, DWORD address, BYTE* buffer, DWORD* length) = 0; // 17
    virtual HRESULT STDMETHODCALLTYPE GetStatus(DWORD handle, BYTE* buffer, DWORD* size, DWORD kind,
                                                ULONG_PTR reserved) = 0;                                   // 18
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;                                                    // 19
    virtual HRESULT STDMETHODCALLTYPE Reserved20() = 0;                                                    // 20
    virtual HRESULT STDMETHODCALLTYPE GetConfiguration(DWORD* value, DWORD* second, ULONG_PTR reserved,
                                                       ULONG_PTR reserved2, ULONG_PTR reserved3) = 0;      // 21
    virtual HRESULT STDMETHODCALLTYPE Reserved22() = 0;                                                    // 22
    virtual HRESULT STDMETHODCALLTYPE Reserved23() = 0;                                                    // 23
    virtual HRESULT STDMETHODCALLTYPE Reset(DWORD handle, ULONG_PTR reserved) = 0;                         // 24
};

struct EmulatorSystem : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialise(EmulatorSink* sink, ULONG_PTR reserved, ULONG_PTR reserved2,
                                                 ULONG_PTR reserved3) = 0;                                 // 3
    virtual HRESULT STDMETHODCALLTYPE OpenDevice(REFIID iid, void** device, ULONG_PTR reserved,
                                                 ULONG_PTR reserved2, ULONG_PTR reserved3) = 0;            // 4
};

struct SettingsKey : IUnknown {
    // size 0 (buffer may be null): writes the size needed, terminator included. A missing value
    // leaves size 0 and fails.
    virtual HRESULT STDMETHODCALLTYPE QueryValue(const char* name, BYTE* buffer, DWORD* size) = 0;         // 3
    virtual HRESULT STDMETHODCALLTYPE SetValue(const char* name, const char* text) = 0;                    // 4
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;                                                     // 5
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;                                                     // 6
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;                                                     // 7
    virtual HRESULT STDMETHODCALLTYPE QueryBinaryValue(const char* name, BYTE* buffer, DWORD* size) = 0;   // 8
    virtual HRESULT STDMETHODCALLTYPE SetBinaryValue(const char* name, const BYTE* data, DWORD size) = 0;  // 9
};

struct SettingsRegistry : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;                                                     // 3
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;                                                     // 4
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;                                                     // 5
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;                                                     // 6
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;                                                     // 7
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;                                                     // 8
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;                                                     // 9
    virtual HRESULT STDMETHODCALLTYPE OpenKey(const char* path, SettingsKey** key) = 0;                    // 10
};

// The one export of tamber_co.dll: class id, 0, 0, interface id, out object.
using TamberCOCreateInstanceFn = HRESULT(STDMETHODCALLTYPE*)(REFCLSID clsid, ULONG_PTR reserved,
                                                             ULONG_PTR reserved2, REFIID iid, void** object);
