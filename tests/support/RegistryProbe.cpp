#include "support/RegistryProbe.h"
#include <shlwapi.h>
#include <vector>

namespace wxtest {

RawValue ReadRaw(HKEY root, const std::string& path, const char* name) {
    RawValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1);
        if (RegQueryValueExA(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS) {
            v.found = true;
            v.bytes.assign(data.data(), size);
        }
    }
    RegCloseKey(key);
    return v;
}

bool KeyPresent(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void WriteRaw(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void RemoveTree(HKEY root, const std::string& path) { SHDeleteKeyA(root, path.c_str()); }

DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    // Where the process's handle count is not reported (Wine answers 0), the handle table is
    // walked instead: every slot that answers GetHandleInformation holds an open handle.
    // Handles take the lowest free slots, so a long run of empty slots ends the table.
    int emptyRun = 0;
    for (ULONG_PTR value = 4; emptyRun < 256; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            emptyRun = 0;
        } else {
            ++emptyRun;
        }
    }
    return count;
}

}  // namespace wxtest
