// Small owners for platform handles and automation values, so every "release before returning"
// is written once, in the destructor, and holds on every path including raised errors.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <utility>

namespace wx {

template <class T, class Traits>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(T value) : value_(value) {}
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept : value_(other.release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueOwner() { reset(); }

    T get() const { return value_; }
    T* put() { reset(); return &value_; }
    explicit operator bool() const { return Traits::valid(value_); }
    T release() { T v = value_; value_ = Traits::invalid(); return v; }
    void reset(T value = Traits::invalid()) {
        if (Traits::valid(value_)) Traits::close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::invalid();
};

struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static bool valid(HKEY h) { return h != nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct GdiObjectTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static bool valid(HGDIOBJ h) { return h != nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    static HDC invalid() { return nullptr; }
    static bool valid(HDC h) { return h != nullptr; }
    static void close(HDC h) { DeleteDC(h); }
};
struct ModuleTraits {
    static HMODULE invalid() { return nullptr; }
    static bool valid(HMODULE h) { return h != nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};
struct FindTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { FindClose(h); }
};

using FileHandle = UniqueOwner<HANDLE, FileHandleTraits>;
using KernelHandle = UniqueOwner<HANDLE, KernelHandleTraits>;
using RegKey = UniqueOwner<HKEY, RegKeyTraits>;
using GdiObject = UniqueOwner<HGDIOBJ, GdiObjectTraits>;
using MemoryDc = UniqueOwner<HDC, MemoryDcTraits>;
using LoadedModule = UniqueOwner<HMODULE, ModuleTraits>;
using FindHandle = UniqueOwner<HANDLE, FindTraits>;

// A device context obtained with GetDC or GetWindowDC, given back with ReleaseDC.
class WindowDc {
public:
    WindowDc() = default;
    WindowDc(HWND wnd, HDC dc) : wnd_(wnd), dc_(dc) {}
    static WindowDc Client(HWND wnd) { return WindowDc(wnd, GetDC(wnd)); }
    static WindowDc Whole(HWND wnd) { return WindowDc(wnd, GetWindowDC(wnd)); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    WindowDc(WindowDc&& o) noexcept : wnd_(o.wnd_), dc_(o.dc_) { o.dc_ = nullptr; }
    WindowDc& operator=(WindowDc&& o) noexcept {
        if (this != &o) { reset(); wnd_ = o.wnd_; dc_ = o.dc_; o.dc_ = nullptr; }
        return *this;
    }
    ~WindowDc() { reset(); }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void reset() { if (dc_) ReleaseDC(wnd_, dc_); dc_ = nullptr; }

private:
    HWND wnd_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the previous one back when it goes out of scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { restore(); }
    void restore() { if (old_) SelectObject(dc_, old_); old_ = nullptr; }
    HGDIOBJ previous() const { return old_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Window, device-context, GDI and registry handles travel through the interfaces as Long: the
// platform keeps them at 32 significant bits, and a 64-bit process sign-extends them (the
// predefined registry roots such as 0x80000001 are negative numbers as Long).
template <class Handle>
Handle HandleOfLong(long value) { return reinterpret_cast<Handle>(static_cast<LONG_PTR>(value)); }
inline long LongOfHandle(const void* handle) { return static_cast<long>(reinterpret_cast<LONG_PTR>(handle)); }

// The function `name` exported by `module`, as its own type (null when missing). The platform
// hands it out as a generic function; it passes through the type that stands for any function.
template <class Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : s_(text ? SysAllocString(text) : nullptr) {}
    Bstr(const wchar_t* text, UINT len) : s_(SysAllocStringLen(text, len)) {}
    static Bstr Attach(BSTR s) { Bstr b; b.s_ = s; return b; }
    Bstr(const Bstr& o) : s_(o.s_ ? SysAllocStringLen(o.s_, SysStringLen(o.s_)) : nullptr) {}
    Bstr& operator=(const Bstr& o) { if (this != &o) { Bstr t(o); std::swap(s_, t.s_); } return *this; }
    Bstr(Bstr&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept { std::swap(s_, o.s_); return *this; }
    ~Bstr() { SysFreeString(s_); }
    BSTR get() const { return s_; }
    BSTR* put() { SysFreeString(s_); s_ = nullptr; return &s_; }
    BSTR release() { BSTR s = s_; s_ = nullptr; return s; }
    UINT length() const { return SysStringLen(s_); }
    bool isNull() const { return s_ == nullptr; }

private:
    BSTR s_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& o) { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
    Variant& operator=(const Variant& o) {
        if (this != &o) VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
        return *this;
    }
    Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Variant& operator=(Variant&& o) noexcept { std::swap(v_, o.v_); return *this; }
    ~Variant() { VariantClear(&v_); }

    static Variant Long(LONG n) { Variant v; V_VT(&v.v_) = VT_I4; V_I4(&v.v_) = n; return v; }
    static Variant Double(double d) { Variant v; V_VT(&v.v_) = VT_R8; V_R8(&v.v_) = d; return v; }
    static Variant Bool(bool b) { Variant v; V_VT(&v.v_) = VT_BOOL; V_BOOL(&v.v_) = b ? VARIANT_TRUE : VARIANT_FALSE; return v; }
    static Variant Text(const wchar_t* s) { Variant v; V_VT(&v.v_) = VT_BSTR; V_BSTR(&v.v_) = SysAllocString(s); return v; }
    static Variant TakeText(BSTR s) { Variant v; V_VT(&v.v_) = VT_BSTR; V_BSTR(&v.v_) = s; return v; }
    static Variant Object(IDispatch* d) {
        Variant v; V_VT(&v.v_) = VT_DISPATCH; V_DISPATCH(&v.v_) = d; if (d) d->AddRef(); return v;
    }
    static Variant Missing() { Variant v; V_VT(&v.v_) = VT_ERROR; V_ERROR(&v.v_) = DISP_E_PARAMNOTFOUND; return v; }

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARIANT* operator&() { return &v_; }
    VARIANT detach() { VARIANT r = v_; VariantInit(&v_); return r; }
    void clear() { VariantClear(&v_); }
    VARTYPE type() const { return V_VT(&v_); }

private:
    VARIANT v_;
};

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr o) { std::swap(p_, o.p_); return *this; }
    ~ComPtr() { if (p_) p_->Release(); }
    static ComPtr Attach(T* p) { ComPtr c; c.p_ = p; return c; }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() { reset(); return &p_; }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const { return p_ != nullptr; }
    T* detach() { T* p = p_; p_ = nullptr; return p; }
    void reset() { if (p_) { p_->Release(); p_ = nullptr; } }
    template <class U>
    ComPtr<U> as(REFIID iid) const {
        ComPtr<U> r;
        if (p_) p_->QueryInterface(iid, r.putVoid());
        return r;
    }

private:
    T* p_ = nullptr;
};

class SafeArrayOwner {
public:
    SafeArrayOwner() = default;
    explicit SafeArrayOwner(SAFEARRAY* a) : a_(a) {}
    SafeArrayOwner(const SafeArrayOwner&) = delete;
    SafeArrayOwner& operator=(const SafeArrayOwner&) = delete;
    SafeArrayOwner(SafeArrayOwner&& o) noexcept : a_(o.a_) { o.a_ = nullptr; }
    ~SafeArrayOwner() { if (a_) SafeArrayDestroy(a_); }
    SAFEARRAY* get() const { return a_; }
    SAFEARRAY** put() { if (a_) SafeArrayDestroy(a_); a_ = nullptr; return &a_; }
    SAFEARRAY* release() { SAFEARRAY* a = a_; a_ = nullptr; return a; }

private:
    SAFEARRAY* a_ = nullptr;
};

// The descriptions a type info lends out, given back on every path.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) { if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr; }
    ~TypeAttr() { if (attr_) info_->ReleaseTypeAttr(attr_); }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    TYPEATTR* operator->() const { return attr_; }
    TYPEATTR* get() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class FuncDesc {
public:
    FuncDesc(ITypeInfo* info, UINT index) : info_(info) { if (FAILED(info->GetFuncDesc(index, &desc_))) desc_ = nullptr; }
    ~FuncDesc() { if (desc_) info_->ReleaseFuncDesc(desc_); }
    FuncDesc(const FuncDesc&) = delete;
    FuncDesc& operator=(const FuncDesc&) = delete;
    FUNCDESC* operator->() const { return desc_; }
    FUNCDESC* get() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ITypeInfo* info_;
    FUNCDESC* desc_ = nullptr;
};

// COM for the length of one call; left alone when the caller's thread already has it in another
// mode.
class ComScope {
public:
    ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (initialized_) CoUninitialize(); }

private:
    bool initialized_;
};

}  // namespace wx
