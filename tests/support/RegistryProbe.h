// Reads what the code under test left in the registry with the platform's own ANSI calls (type
// and bytes exactly as stored), and tidies scratch keys away afterwards.
#pragma once
#include <windows.h>
#include <string>

namespace wxtest {

struct RawValue {
    bool found = false;
    DWORD type = 0;
    std::string bytes;
};

RawValue ReadRaw(HKEY root, const std::string& path, const char* name);
bool KeyPresent(HKEY root, const std::string& path);
// Writes a value of any type with the given bytes, creating the key.
void WriteRaw(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes);
// Removes a key with everything below it; a missing key is fine.
void RemoveTree(HKEY root, const std::string& path);
// The number of handles the process holds (registry keys among them), or a measure that grows
// by one with every handle left open.
DWORD HandleCount();

// Removes a scratch key tree when a test ends, however it ends.
class ScratchKey {
public:
    ScratchKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) { RemoveTree(root_, path_); }
    ~ScratchKey() { RemoveTree(root_, path_); }
    const std::string& path() const { return path_; }
    std::string sub(const std::string& name) const { return path_ + "\\" + name; }

private:
    HKEY root_;
    std::string path_;
};

}  // namespace wxtest
