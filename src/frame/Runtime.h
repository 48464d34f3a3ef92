// The services of the automation runtime the classes rely on: message boxes, the per-user settings
// store, yielding, pseudo-random numbers, the library's own resources, pictures from files, the
// screen's metrics and binary file writes. Sequential text files live in TextFile.h.
#pragma once
#include "frame/Handles.h"
#include <olectl.h>
#include <string>
#include <vector>

namespace wx {

// Message box styles and answers the classes use.
enum : UINT {
    kOkOnly = 0, kYesNo = 4, kQuestion = 32, kExclamation = 48, kInformation = 64,
};
enum : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

// The title message boxes show when none is given.
std::wstring ApplicationTitle();
// A modal message box on the caller's thread; returns the button pressed.
int ShowMessage(const std::wstring& prompt, UINT style = kOkOnly, const std::wstring* title = nullptr);

// The per-user settings store, where host runtimes keep their application settings:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, values REG_SZ.
std::wstring GetSetting(const std::wstring& application, const std::wstring& section, const std::wstring& key,
                        const std::wstring& fallback = std::wstring());
void SaveSetting(const std::wstring& application, const std::wstring& section, const std::wstring& key,
                 const std::wstring& value);
// Deletes a section with all its keys, or (section omitted) the whole application. Raises 5 when
// there is nothing to delete, as the runtime does.
void DeleteSetting(const std::wstring& application, const std::wstring& section);
void DeleteSetting(const std::wstring& application);

// Handles the window messages waiting on the caller's thread, so host handlers may run.
void DoEvents();

// The runtime's pseudo-random sequence (24-bit linear congruential), per thread.
void Randomize(double seed);
float Rnd();

// The raw bytes of one of the library's own resources; the identifier is a number or a name.
// Raises 326 when there is no such resource.
std::vector<BYTE> ResourceBytes(const VARIANT& id, const std::wstring& type);

// A picture object loaded from a file (bitmap, JPEG, GIF, icon, metafile).
ComPtr<IPictureDisp> LoadPictureFile(const std::wstring& path);

// The screen as the runtime's Screen object reports it.
struct ScreenMetrics {
    double width = 0;            // twips
    double height = 0;           // twips
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
};
ScreenMetrics Screen();

// Opens a file for binary access and writes the bytes from its first byte (existing bytes beyond
// the written ones stay, as the runtime's binary Put leaves them).
void WriteBinaryFile(const std::wstring& path, const BYTE* data, size_t count);

// Maps a failed file operation's system error to the runtime's file error number.
long FileErrorNumber(DWORD systemError);

}  // namespace wx
