#include "frame/Errors.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include <new>

namespace wx {

namespace {
struct RuntimeMessage { long number; const wchar_t* text; };
const RuntimeMessage kRuntimeMessages[] = {
    {3, L"Return without GoSub"},
    {5, L"Invalid procedure call or argument"},
    {6, L"Overflow"},
    {7, L"Out of memory"},
    {9, L"Subscript out of range"},
    {10, L"This array is fixed or temporarily locked"},
    {11, L"Division by zero"},
    {13, L"Type mismatch"},
    {14, L"Out of string space"},
    {16, L"Expression too complex"},
    {17, L"Can't perform requested operation"},
    {18, L"User interrupt occurred"},
    {20, L"Resume without error"},
    {28, L"Out of stack space"},
    {35, L"Sub or Function not defined"},
    {47, L"Too many DLL application clients"},
    {48, L"Error in loading DLL"},
    {49, L"Bad DLL calling convention"},
    {51, L"Internal error"},
    {52, L"Bad file name or number"},
    {53, L"File not found"},
    {54, L"Bad file mode"},
    {55, L"File already open"},
    {57, L"Device I/O error"},
    {58, L"File already exists"},
    {59, L"Bad record length"},
    {61, L"Disk full"},
    {62, L"Input past end of file"},
    {63, L"Bad record number"},
    {67, L"Too many files"},
    {68, L"Device unavailable"},
    {70, L"Permission denied"},
    {71, L"Disk not ready"},
    {74, L"Can't rename with different drive"},
    {75, L"Path/File access error"},
    {76, L"Path not found"},
    {91, L"Object variable or With block variable not set"},
    {92, L"For loop not initialized"},
    {93, L"Invalid pattern string"},
    {94, L"Invalid use of Null"},
    {321, L"Invalid file format"},
    {322, L"Can't create necessary temporary file"},
    {325, L"Invalid format in resource file"},
    {380, L"Invalid property value"},
    {381, L"Invalid property array index"},
    {383, L"Property is read-only"},
    {422, L"Property not found"},
    {423, L"Property or method not found"},
    {424, L"Object required"},
    {429, L"ActiveX component can't create object"},
    {430, L"Class does not support Automation or does not support expected interface"},
    {438, L"Object doesn't support this property or method"},
    {440, L"Automation error"},
    {445, L"Object doesn't support this action"},
    {446, L"Object doesn't support named arguments"},
    {448, L"Named argument not found"},
    {449, L"Argument not optional"},
    {450, L"Wrong number of arguments or invalid property assignment"},
    {451, L"Property let procedure not defined and property get procedure did not return an object"},
    {453, L"Specified DLL function not found"},
    {458, L"Variable uses an Automation type not supported in Visual Basic"},
    {481, L"Invalid picture"},
    {482, L"Printer error"},
};
}  // namespace

AutomationError::AutomationError(long number, std::wstring source, std::wstring description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

HRESULT AutomationError::hresult() const { return HResultOfNumber(number_); }

std::wstring RuntimeErrorText(long number) {
    for (const auto& m : kRuntimeMessages)
        if (m.number == number) return m.text;
    return L"Application-defined or object-defined error";
}

std::wstring DefaultErrorSource() { return Module::BaseName(); }

void RaiseRuntime(long number) {
    throw AutomationError(number, DefaultErrorSource(), RuntimeErrorText(number));
}

void RaiseError(long number, const std::wstring& source, const std::wstring& description) {
    throw AutomationError(number, source, description);
}

void RaiseHResult(HRESULT hr) {
    long number = NumberOfHResult(hr);
    std::wstring source = DefaultErrorSource();
    std::wstring description;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
        Bstr s, d;
        if (SUCCEEDED(info->GetSource(s.put())) && !s.isNull()) source = s.get();
        if (SUCCEEDED(info->GetDescription(d.put())) && !d.isNull()) description = d.get();
    }
    if (description.empty()) {
        if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) description = RuntimeErrorText(number);
        else if (hr == E_OUTOFMEMORY) { number = 7; description = RuntimeErrorText(7); }
        else description = RuntimeErrorText(440);
    }
    throw AutomationError(number, source, description);
}

HRESULT HResultOfNumber(long number) {
    if (number > 0 && number <= 0xFFFF) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    return static_cast<HRESULT>(number);
}

long NumberOfHResult(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return HRESULT_CODE(hr);
    return static_cast<long>(hr);
}

HRESULT Report(const AutomationError& error) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put())) && create) {
        create->SetSource(const_cast<LPOLESTR>(error.source().c_str()));
        create->SetDescription(const_cast<LPOLESTR>(error.description().c_str()));
        create->SetGUID(GUID_NULL);
        auto info = create.as<IErrorInfo>(IID_IErrorInfo);
        SetErrorInfo(0, info.get());
    }
    return error.hresult();
}

HRESULT ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const AutomationError& e) {
        return Report(e);
    } catch (const std::bad_alloc&) {
        return Report(AutomationError(7, DefaultErrorSource(), RuntimeErrorText(7)));
    } catch (...) {
        return Report(AutomationError(51, DefaultErrorSource(), RuntimeErrorText(51)));
    }
}

}  // namespace wx
