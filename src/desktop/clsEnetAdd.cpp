#include "desktop/clsEnetAdd.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Platform.h"
#include "frame/Text.h"
#include <cstring>

namespace wx {

namespace {
// The adapter-status block: the status record followed by room for the name table.
const WORD kStatusBlock = 680;
static_assert(sizeof(NCB) == (sizeof(void*) == 8 ? 96 : 64), "the NCB is the platform's record: 64 bytes, 96 on x64");
static_assert(sizeof(ADAPTER_STATUS) == 60, "the status record is 60 bytes");

// A block from the process heap, given back when the call ends.
class HeapBlock {
public:
    explicit HeapBlock(SIZE_T size) : heap_(GetProcessHeap()), data_(nullptr) {
        // Without HEAP_GENERATE_EXCEPTIONS: a refused allocation is a null block, not a
        // structured exception that no caller of ours could handle.
        data_ = HeapAlloc(heap_, HEAP_ZERO_MEMORY, size);
    }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    ~HeapBlock() { if (data_) HeapFree(heap_, 0, data_); }
    BYTE* get() const { return static_cast<BYTE*>(data_); }

private:
    HANDLE heap_;
    void* data_;
};

void Copy(VARIANT* target, const Variant& field) {
    VariantInit(&Required(target));
    ThrowIfFailed(VariantCopy(target, const_cast<VARIANT*>(field.get())));
}

void Store(Variant& field, const VARIANT& value) {
    ReadArgument(value);
    Variant copy;
    ThrowIfFailed(VariantCopyInd(copy.get(), const_cast<VARIANT*>(&value)));
    field = std::move(copy);
}

Variant ByteValue(BYTE value) {
    Variant v;
    V_VT(v.get()) = VT_UI1;
    V_UI1(v.get()) = value;
    return v;
}

Variant IntegerValue(WORD value) {
    // The name count is a 16-bit field read as a signed Integer.
    Variant v;
    V_VT(v.get()) = VT_I2;
    V_I2(v.get()) = static_cast<SHORT>(value);
    return v;
}
}  // namespace

clsEnetAdd::clsEnetAdd() : Dispatchable(IID__clsEnetAdd) {}

STDMETHODIMP clsEnetAdd::EthernetAddress(LONG* LanaNumber, BSTR* pResult) {
    return Guarded([&] {
        Require(LanaNumber, pResult);
        if (*LanaNumber < 0 || *LanaNumber > 255) RaiseRuntime(6);  // the adapter number is a byte
        auto& platform = Platform();

        NCB control;
        std::memset(&control, 0, sizeof control);
        control.ncb_command = NCBRESET;  // resets LANA 0, as the control block asks
        platform.netbios(&control);

        control.ncb_command = NCBASTAT;
        control.ncb_lana_num = static_cast<UCHAR>(*LanaNumber);
        std::memcpy(control.ncb_callname, "*               ", NCBNAMSZ);
        control.ncb_length = kStatusBlock;

        HeapBlock block(kStatusBlock);
        if (!block.get()) {
            *pResult = NewBstr(std::wstring());
            return;
        }
        control.ncb_buffer = block.get();
        platform.netbios(&control);  // a failed status call leaves the block all zero

        ADAPTER_STATUS status;
        std::memcpy(&status, block.get(), sizeof status);
        adapterType_ = ByteValue(status.adapter_type);
        nameCount_ = IntegerValue(status.name_count);
        revMajor_ = ByteValue(status.rev_major);
        revMinor_ = ByteValue(status.rev_minor);

        // The decimal text runs on from whatever the property held before; only the host resets it.
        // (Empty and Null join as no text, as they do in the runtime's text joins.)
        VARTYPE held = enetAddressDec_.type();
        std::wstring decimal = held == VT_EMPTY || held == VT_NULL ? std::wstring() : ToText(*enetAddressDec_.get());
        std::wstring hex;
        const wchar_t digits[] = L"0123456789ABCDEF";
        for (int i = 0; i < 6; ++i) {
            BYTE b = status.adapter_address[i];
            decimal += NumberText(b);
            hex += digits[b >> 4];
            hex += digits[b & 0xF];
        }
        enetAddressDec_ = Variant::TakeText(NewBstr(decimal));
        *pResult = NewBstr(hex);
    });
}

STDMETHODIMP clsEnetAdd::get_AdapterType(VARIANT* pResult) { return Guarded([&] { Copy(pResult, adapterType_); }); }
STDMETHODIMP clsEnetAdd::put_AdapterType(VARIANT value) { return Guarded([&] { Store(adapterType_, value); }); }
STDMETHODIMP clsEnetAdd::get_NameCount(VARIANT* pResult) { return Guarded([&] { Copy(pResult, nameCount_); }); }
STDMETHODIMP clsEnetAdd::put_NameCount(VARIANT value) { return Guarded([&] { Store(nameCount_, value); }); }
STDMETHODIMP clsEnetAdd::get_RevMajor(VARIANT* pResult) { return Guarded([&] { Copy(pResult, revMajor_); }); }
STDMETHODIMP clsEnetAdd::put_RevMajor(VARIANT value) { return Guarded([&] { Store(revMajor_, value); }); }
STDMETHODIMP clsEnetAdd::get_RevMinor(VARIANT* pResult) { return Guarded([&] { Copy(pResult, revMinor_); }); }
STDMETHODIMP clsEnetAdd::put_RevMinor(VARIANT value) { return Guarded([&] { Store(revMinor_, value); }); }
STDMETHODIMP clsEnetAdd::get_EnetAddressDec(VARIANT* pResult) { return Guarded([&] { Copy(pResult, enetAddressDec_); }); }
STDMETHODIMP clsEnetAdd::put_EnetAddressDec(VARIANT value) { return Guarded([&] { Store(enetAddressDec_, value); }); }

HRESULT Create_clsEnetAdd(REFIID riid, void** ppv) { return CreateAndQuery<clsEnetAdd>(riid, ppv); }

}  // namespace wx
