// clsDriveInfo against real drives of the prefix: a CD-ROM drive with a known serial is arranged
// through Wine's mount manager for the tests that need one.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/WineDrive.h"
#include <gtest/gtest.h>

using namespace wxtest;

namespace {

ComPtr<_clsDriveInfo> MakeDriveInfo() { return Create<_clsDriveInfo>(CLSID_clsDriveInfo, IID__clsDriveInfo); }

LONG Serial(_clsDriveInfo* info, const wchar_t* root) {
    Bstr drive(root);
    BSTR value = drive.get();
    LONG serial = -1;
    EXPECT_EQ(info->GetSerialNumber(&value, &serial), S_OK);
    return serial;
}

std::wstring Text(_clsDriveInfo* info, HRESULT (STDMETHODCALLTYPE _clsDriveInfo::*member)(BSTR*)) {
    Bstr result;
    EXPECT_EQ((info->*member)(result.put()), S_OK);
    return result.isNull() ? L"<null>" : std::wstring(result.get());
}

}  // namespace

TEST(clsDriveInfo, SerialNumberOfFixedDriveMatchesPlatformAndMissingRootGivesZero) {
    auto info = MakeDriveInfo();
    ASSERT_TRUE(info);
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(Serial(info.get(), L"C:\\"), static_cast<LONG>(serial));
    EXPECT_EQ(Serial(info.get(), L"Q:\\"), 0);
    EXPECT_EQ(Serial(info.get(), L"C:\\no such folder\\"), 0);
}

TEST(clsDriveInfo, WithoutCdRomDrivesReportsNothing) {
    if (!CdRomLetters().empty()) GTEST_SKIP() << "the prefix has CD-ROM drives of its own";
    auto info = MakeDriveInfo();
    short count = 0;
    Bstr letters(L"");
    BSTR raw = letters.release();
    Variant result;
    EXPECT_EQ(info->GetDriveDesc(&count, &raw, result.get()), S_OK);
    letters = Bstr::Attach(raw);
    EXPECT_EQ(count, 0);
    EXPECT_STREQ(letters.get(), L"");
    EXPECT_EQ(result.type(), VT_EMPTY);
    EXPECT_EQ(Text(info.get(), &_clsDriveInfo::GetFirstCDDriveLetter), L"");
    EXPECT_EQ(Text(info.get(), &_clsDriveInfo::GetFirstDriveCDVolume), L"");
}

TEST(clsDriveInfo, ArrangedCdRomDriveIsCountedFoundAndItsSerialRead) {
    ASSERT_TRUE(CdRomLetters().empty()) << "the prefix should have no CD-ROM drive of its own";
    ScratchFolder disc;
    WineDrive::WriteSerial(disc.path(), 0x8A5B1C2Du);
    WineDrive cd(disc.path(), DRIVE_CDROM);
    ASSERT_TRUE(cd) << "the mount manager refused the drive";
    ASSERT_EQ(GetDriveTypeW(cd.Root().c_str()), static_cast<UINT>(DRIVE_CDROM));

    auto info = MakeDriveInfo();
    // Appends to what the caller has: twice gives the drive twice.
    short count = 0;
    BSTR letters = SysAllocString(L"");
    Variant result;
    EXPECT_EQ(info->GetDriveDesc(&count, &letters, result.get()), S_OK);
    EXPECT_EQ(info->GetDriveDesc(&count, &letters, result.get()), S_OK);
    std::wstring expected = std::wstring(1, cd.Letter()) + L" ";
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::wstring(letters), expected + expected);
    SysFreeString(letters);

    EXPECT_EQ(Text(info.get(), &_clsDriveInfo::GetFirstCDDriveLetter), cd.Root());
    EXPECT_EQ(Serial(info.get(), cd.Root().c_str()), static_cast<LONG>(0x8A5B1C2Du));
    // A serial with its top bit set reads as a negative Long.
    EXPECT_EQ(Text(info.get(), &_clsDriveInfo::GetFirstDriveCDVolume), std::to_wstring(static_cast<LONG>(0x8A5B1C2Du)));
}

TEST(clsDriveInfo, ScriptCallersGetTheCountAndLettersWrittenBack) {
    ScratchFolder disc;
    WineDrive cd(disc.path(), DRIVE_CDROM);
    ASSERT_TRUE(cd);
    ComPtr<IDispatch> info = Create<IDispatch>(CLSID_clsDriveInfo, IID_IDispatch);
    Variant count = Variant::Long(3), letters = Variant::Text(L"X ");
    CallResult r = Call(info.get(), L"GetDriveDesc", {Ref(count), Ref(letters)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.value.type(), VT_EMPTY);
    EXPECT_EQ(V_I2(count.get()), 4);
    EXPECT_EQ(TextOf(*letters.get()), L"X " + std::wstring(1, cd.Letter()) + L" ");
}
