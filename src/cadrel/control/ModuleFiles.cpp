#include "control/ModuleFiles.h"
#include <cstdio>
#include <cstring>
#include <vector>
#include "interface/EmulatorInterfaces.h"
#include "modules/ModuleListText.h"
#include "modules/RecordBlock.h"

const char NoModuleDirectoryText[] =
    "No module directory is set in the CD Emulator settings (\"Path\"), so the module has nowhere to go. "
    "Set it, then install the module.";

namespace {

// The system's text for an error code, without its closing line break and full stop.
void ErrorText(DWORD error, char* text, DWORD size)
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, size,
                        nullptr))
        snprintf(text, size, "error %lu", static_cast<unsigned long>(error));
    for (size_t n = strlen(text); n > 0 && strchr("\r\n. ", text[n - 1]); --n)
        text[n - 1] = '\0';
}

// The same file on disc, whatever form each path was written in: letter case, "." and "..",
// slashes and short names are settled by the full long path; another drive letter reaching
// the same folder (Wine's Z:) by the file's identity on its volume.
bool SameFile(const char* a, const char* b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH], longA[MAX_PATH], longB[MAX_PATH];
    const DWORD lengthA = GetFullPathNameA(a, MAX_PATH, fullA, nullptr);
    const DWORD lengthB = GetFullPathNameA(b, MAX_PATH, fullB, nullptr);
    if (lengthA && lengthA < MAX_PATH && lengthB && lengthB < MAX_PATH) {
        const DWORD longLengthA = GetLongPathNameA(fullA, longA, MAX_PATH);
        const DWORD longLengthB = GetLongPathNameA(fullB, longB, MAX_PATH);
        if (lstrcmpiA(longLengthA && longLengthA < MAX_PATH ? longA : fullA,
                      longLengthB && longLengthB < MAX_PATH ? longB : fullB) == 0)
            return true;
    }
    auto identity = [](const char* path, BY_HANDLE_FILE_INFORMATION* info) {
        HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool got = GetFileInformationByHandle(file, info) != 0;
        CloseHandle(file);
        return got;
    };
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    if (!identity(a, &infoA) || !identity(b, &infoB))
        return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber && infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

// Copies source to destination through a file beside it; 0 with the reason in problem.
int CopyModuleFile(const char* source, const char* destination, DWORD* bytes, char* problem, size_t problemSize)
{
    char reason[200];
    std::vector<char> image(ModuleImageMaximum);
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
    if (in == INVALID_HANDLE_VALUE || !ReadFile(in, image.data(), DWORD(image.size()), bytes, nullptr)) {
        ErrorText(GetLastError(), reason, sizeof reason);
        if (in != INVALID_HANDLE_VALUE)
            CloseHandle(in);
        snprintf(problem, problemSize, "The module file %s could not be read: %s.\n\nNothing was installed.", source,
                 reason);
        return 0;
    }
    CloseHandle(in);
    // Already in the module directory: listing it is all there is to do.
    if (SameFile(source, destination))
        return 1;

    // Written beside the destination and put in its place only when whole, so a failed copy
    // never leaves half a module where the upload would take it.
    char partial[MAX_PATH + 8];
    snprintf(partial, sizeof partial, "%s.part", destination);
    HANDLE out = CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool done = out != INVALID_HANDLE_VALUE && WriteFile(out, image.data(), *bytes, &written, nullptr) &&
                written == *bytes;
    DWORD error = GetLastError();
    if (out != INVALID_HANDLE_VALUE && !CloseHandle(out) && done) {
        done = false;
        error = GetLastError();
    }
    if (done && !MoveFileExA(partial, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        done = false;
        error = GetLastError();
    }
    if (done)
        return 1;
    if (out != INVALID_HANDLE_VALUE)
        DeleteFileA(partial);
    ErrorText(error, reason, sizeof reason);
    snprintf(problem, problemSize,
             "The module could not be copied to %s: %s.\n\nCheck that the module directory exists and can be "
             "written to. Nothing was installed.",
             destination, reason);
    return 0;
}

}  // namespace

int InstallModuleFile(const char* source, const char* title, const char* directory,
                      char (&record)[ModuleRecordLength + 1], char* problem, size_t problemSize)
{
    if (!directory || !directory[0]) {
        snprintf(problem, problemSize, "%s", NoModuleDirectoryText);
        return 0;
    }
    // The list record is made from the file name, so only a module's name makes a good record.
    if (!IsModuleFileName(title)) {
        snprintf(problem, problemSize,
                 "%s is not an emulation module file.\n\nA module file is named after its target and version: "
                 "Sat or Dex, then CD, then the version in three digits, for instance SatCD123.bin.",
                 title);
        return 0;
    }
    char destination[MAX_PATH];
    const int length = snprintf(destination, sizeof destination, "%s\\%s", directory, title);
    if (length <= 0 || size_t(length) >= sizeof destination) {
        snprintf(problem, problemSize, "The module directory's path is too long to hold the module.");
        return 0;
    }
    DWORD bytes = 0;
    if (!CopyModuleFile(source, destination, &bytes, problem, problemSize))
        return 0;
    snprintf(record, sizeof record, "%.8s%05lu0", title, static_cast<unsigned long>(bytes));
    return 1;
}

int DeleteModuleFile(const char* directory, const char* name, const char* version)
{
    char moduleName[ModuleRecordLength + 1];
    EncodeModuleRecord(moduleName, name, version, nullptr, nullptr, ModuleNameLength);
    char file[MAX_PATH + 16];
    const int length = snprintf(file, sizeof file, "%s\\%s.bin", directory ? directory : "", moduleName);
    return length > 0 && size_t(length) < sizeof file && DeleteFileA(file);
}
