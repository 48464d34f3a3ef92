// The library's error convention: every failure a member does not handle reaches the host as an
// automation error (number, source, description through IErrorInfo). Inside the library a failure
// travels as an AutomationError exception; Guarded() turns it into the HRESULT at the COM boundary,
// so no C++ exception ever reaches a host.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <exception>
#include <string>

namespace wx {

class AutomationError : public std::exception {
public:
    AutomationError(long number, std::wstring source, std::wstring description);
    long number() const { return number_; }
    const std::wstring& source() const { return source_; }
    const std::wstring& description() const { return description_; }
    HRESULT hresult() const;
    const char* what() const noexcept override { return "automation error"; }

private:
    long number_;
    std::wstring source_;
    std::wstring description_;
};

// The runtime's standard description of an error number ("Overflow" for 6...), empty if none.
std::wstring RuntimeErrorText(long number);
// The name hosts see as the source of runtime errors raised inside the library.
std::wstring DefaultErrorSource();

// Raises one of the runtime's own errors with its standard description.
[[noreturn]] void RaiseRuntime(long number);
// Raises an error of the library's own choosing.
[[noreturn]] void RaiseError(long number, const std::wstring& source, const std::wstring& description);
// Raises the failure a platform or host call returned (error info of the callee is kept).
[[noreturn]] void RaiseHResult(HRESULT hr);
inline void ThrowIfFailed(HRESULT hr) { if (FAILED(hr)) RaiseHResult(hr); }

// Error numbers and HRESULTs: runtime numbers travel as 0x800A0000 | n; numbers that already look
// like an HRESULT (the object-error range, negative numbers) travel as themselves.
HRESULT HResultOfNumber(long number);
long NumberOfHResult(HRESULT hr);

// Hands the error to the host through SetErrorInfo and returns its HRESULT.
HRESULT Report(const AutomationError& error);

// Runs a member body: success is S_OK, an AutomationError becomes its HRESULT with error info,
// anything else a runtime error (7 out of memory, 51 internal error).
HRESULT ReportCurrentException() noexcept;
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    SetErrorInfo(0, nullptr);
    try {
        body();
        return S_OK;
    } catch (...) {
        return ReportCurrentException();
    }
}

// Runs a body whose every failure is to be ignored; true when it completed.
template <class Body>
bool Quietly(Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace wx
