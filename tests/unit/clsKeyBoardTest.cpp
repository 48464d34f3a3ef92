// Keystrokes as they leave the library: every key event goes through the library's platform table,
// where a recorder takes them down; one test types into a real edit control under Wine.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/PlatformSeam.h"
#include <gtest/gtest.h>
#include <vector>

using namespace wxtest;

namespace {

struct KeyEvent {
    BYTE vk;
    BYTE scan;
    DWORD flags;
    double ms;  // when it was sent, in milliseconds
};
double NowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
std::vector<KeyEvent> g_keys;
VOID WINAPI RecordKey(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR) { g_keys.push_back({vk, scan, flags, NowMs()}); }

SHORT g_lockStates[256];
SHORT WINAPI AnswerKeyState(int vk) { return g_lockStates[vk & 0xFF]; }

const DWORD kUp = KEYEVENTF_KEYUP;
const DWORD kExt = KEYEVENTF_EXTENDEDKEY;

class KeyBoard : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(seam_) << "the library's platform table was not found";
        seam_.calls().keybdEvent = &RecordKey;
        seam_.calls().getKeyState = &AnswerKeyState;
        g_keys.clear();
        keyboard_ = CreateLinked<_clsKeyBoard>(CLSID_clsKeyBoard, IID__clsKeyBoard);
        ASSERT_TRUE(keyboard_);
    }
    // What the library should send for a key code with its shift-state bits.
    static BYTE ScanOf(UINT code) { return static_cast<BYTE>(MapVirtualKeyA(code, MAPVK_VK_TO_VSC)); }
    static DWORD ExtOf(UINT code) { return MapVirtualKeyA(code, MAPVK_VK_TO_CHAR) == 0 ? kExt : 0; }
    static void ExpectEvent(size_t i, BYTE vk, BYTE scan, DWORD flags) {
        ASSERT_LT(i, g_keys.size());
        EXPECT_EQ(g_keys[i].vk, vk) << "event " << i;
        EXPECT_EQ(g_keys[i].scan, scan) << "event " << i;
        EXPECT_EQ(g_keys[i].flags, flags) << "event " << i;
    }
    void Press(const wchar_t* text, bool hold = false, bool release = false) {
        Bstr key(text);
        ASSERT_EQ(keyboard_->PressKey(key.get(), hold ? VARIANT_TRUE : VARIANT_FALSE,
                                      release ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
    }

    PlatformOverride seam_;
    ComPtr<_clsKeyBoard> keyboard_;
};

TEST_F(KeyBoard, PlainCharacterIsOneKeyDownAndUp) {
    Press(L"a");
    ASSERT_EQ(g_keys.size(), 2u);
    ExpectEvent(0, 0x41, ScanOf(0x41), ExtOf(0x41));
    ExpectEvent(1, 0x41, ScanOf(0x41), ExtOf(0x41) | kUp);
}

TEST_F(KeyBoard, ShiftedCharacterWrapsTheKeyInShiftAndMapsTheWholeCode) {
    Press(L"A");
    ASSERT_EQ(g_keys.size(), 4u);
    ExpectEvent(0, VK_SHIFT, 0, 0);
    // Scan code and extended flag come from the code with the Shift bit, as typed.
    ExpectEvent(1, 0x41, ScanOf(0x141), ExtOf(0x141));
    ExpectEvent(2, 0x41, ScanOf(0x141), ExtOf(0x141) | kUp);
    ExpectEvent(3, VK_SHIFT, 0, kUp);
}

TEST_F(KeyBoard, HeldKeyStaysDownUntilReleased) {
    Press(L"A", true, false);
    ASSERT_EQ(g_keys.size(), 2u);
    ExpectEvent(0, VK_SHIFT, 0, 0);
    EXPECT_EQ(g_keys[1].flags & kUp, 0u);
    g_keys.clear();
    Press(L"A", false, true);
    ASSERT_EQ(g_keys.size(), 2u);
    ExpectEvent(0, 0x41, ScanOf(0x141), ExtOf(0x141) | kUp);
    ExpectEvent(1, VK_SHIFT, 0, kUp);
    g_keys.clear();
    Press(L"a", true, true);  // neither pressed nor released
    EXPECT_TRUE(g_keys.empty());
}

TEST_F(KeyBoard, CharacterNoKeyProducesSendsEveryModifierAroundKey255) {
    // Find an ANSI character the keyboard layout cannot type.
    wchar_t untypable = 0;
    for (int code = 0x80; code <= 0xFF && !untypable; ++code) {
        if (VkKeyScanA(static_cast<CHAR>(code)) != -1) continue;
        char byte = static_cast<char>(code);
        wchar_t wide = 0;
        if (MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1) == 1) untypable = wide;
    }
    if (!untypable) GTEST_SKIP() << "every character of this code page has a key";
    wchar_t text[] = {untypable, 0};
    Press(text);
    ASSERT_EQ(g_keys.size(), 8u);
    BYTE modifiers[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (size_t i = 0; i < 3; ++i) ExpectEvent(i, modifiers[i], 0, 0);
    ExpectEvent(3, 0xFF, ScanOf(0xFFFFFFFF), ExtOf(0xFFFFFFFF));
    ExpectEvent(4, 0xFF, ScanOf(0xFFFFFFFF), ExtOf(0xFFFFFFFF) | kUp);
    for (size_t i = 0; i < 3; ++i) ExpectEvent(5 + i, modifiers[i], 0, kUp);
}

TEST_F(KeyBoard, EmptyKeyIsAnInvalidCall) {
    auto r = Call(keyboard_.get(), L"PressKey", {Val(Variant::Text(L""))});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.number, 5);
    EXPECT_TRUE(g_keys.empty());
}

TEST_F(KeyBoard, PressStringPausesAfterEachCharacterAndYieldsOnlyWhenAsked) {
    const UINT probe = WM_APP + 19;
    MSG message;
    PostThreadMessageW(GetCurrentThreadId(), probe, 0, 0);
    double start = NowMs();
    Bstr text(L"ab");
    ASSERT_EQ(keyboard_->PressString(text.get(), VARIANT_FALSE), S_OK);
    double took = NowMs() - start;
    ASSERT_EQ(g_keys.size(), 4u);
    ExpectEvent(0, 0x41, ScanOf(0x41), ExtOf(0x41));
    ExpectEvent(3, 0x42, ScanOf(0x42), ExtOf(0x42) | kUp);
    EXPECT_GE(g_keys[2].ms - g_keys[1].ms, 19.0) << "no pause between the characters";
    EXPECT_GE(took, 39.0) << "a pause follows the last character too";
    EXPECT_TRUE(PeekMessageW(&message, nullptr, probe, probe, PM_REMOVE)) << "messages were handled";

    PostThreadMessageW(GetCurrentThreadId(), probe, 0, 0);
    g_keys.clear();
    auto r = Call(keyboard_.get(), L"PressString", {Val(Variant::Text(L"x"))});  // yields by default
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(g_keys.size(), 2u);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, probe, probe, PM_REMOVE)) << "pending messages were not handled";

    g_keys.clear();
    start = NowMs();
    Bstr empty(L"");
    ASSERT_EQ(keyboard_->PressString(empty.get(), VARIANT_FALSE), S_OK);
    EXPECT_TRUE(g_keys.empty());
    EXPECT_LT(NowMs() - start, 15.0);
}

TEST_F(KeyBoard, VirtualKeyWithAndWithoutCompatibleMode) {
    ASSERT_EQ(keyboard_->PressKeyVK(keyF1, VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE), S_OK);
    ASSERT_EQ(g_keys.size(), 2u);
    ExpectEvent(0, 112, ScanOf(112), ExtOf(112));
    ExpectEvent(1, 112, ScanOf(112), ExtOf(112) | kUp);
    EXPECT_EQ(g_keys[0].flags, kExt) << "F1 types no character, so it goes as an extended key";

    g_keys.clear();
    auto r = Call(keyboard_.get(), L"PressKeyVK", {Val(Variant::Long(112)), Val(Variant::Bool(false)),
                                                  Val(Variant::Bool(false)), Val(Variant::Bool(true))});
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_EQ(g_keys.size(), 2u);
    ExpectEvent(0, 112, ScanOf(112), 0);
    ExpectEvent(1, 112, ScanOf(112), kUp);

    g_keys.clear();
    ASSERT_EQ(keyboard_->PressKeyVK(keyShift, VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE), S_OK);
    ASSERT_EQ(g_keys.size(), 1u);
    ExpectEvent(0, VK_SHIFT, ScanOf(VK_SHIFT), ExtOf(VK_SHIFT));
}

TEST_F(KeyBoard, KeyCodeBeyondAByteOverflowsAndSendsNothing) {
    auto r = Call(keyboard_.get(), L"PressKeyVK", {Val(Variant::Long(256))});
    EXPECT_EQ(r.number, 6);
    r = Call(keyboard_.get(), L"PressKeyVK", {Val(Variant::Long(-1))});
    EXPECT_EQ(r.number, 6);
    EXPECT_TRUE(g_keys.empty());
}

TEST_F(KeyBoard, LockStatusCountsHeldAndToggledKeys) {
    memset(g_lockStates, 0, sizeof g_lockStates);
    g_lockStates[VK_CAPITAL] = static_cast<SHORT>(0x8000);  // off, but held down
    g_lockStates[VK_NUMLOCK] = 1;                          // toggled on
    Variant caps = Variant::Bool(false), num = Variant::Bool(false), scroll = Variant::Bool(true);
    auto r = Call(keyboard_.get(), L"GetLockStatus", {Ref(caps), Ref(num), Ref(scroll)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(V_BOOL(caps.get()), VARIANT_TRUE);
    EXPECT_EQ(V_BOOL(num.get()), VARIANT_TRUE);
    EXPECT_EQ(V_BOOL(scroll.get()), VARIANT_FALSE);
}

// The real thing: keystrokes typed by the library arrive in a focused edit control of this thread.
TEST(KeyBoardReal, TypesIntoAFocusedEditControl) {
    HWND window = CreateWindowExW(0, L"STATIC", L"wx keyboard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 120,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 5, 5, 280, 24, window,
                                nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    SetFocus(edit);
    auto keyboard = Create<_clsKeyBoard>(CLSID_clsKeyBoard, IID__clsKeyBoard);
    ASSERT_TRUE(keyboard);
    Bstr text(L"Hi there");
    EXPECT_EQ(keyboard->PressString(text.get(), VARIANT_TRUE), S_OK);
    MSG message;
    for (int i = 0; i < 10; ++i) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
    wchar_t typed[64] = {};
    GetWindowTextW(edit, typed, 64);
    EXPECT_STREQ(typed, L"Hi there");
    DestroyWindow(window);
}

}  // namespace

TEST_F(KeyBoard, CharactersWithoutAnAnsiCodeOfTheirOwnOverflowAndTypeNothing) {
    // The code page's best fit would type "O" for Omega, "l" for l-stroke and "?" for the rest.
    const std::wstring lone(1, wchar_t(0xD800));
    for (const std::wstring& text : {std::wstring(L"\u03A9"), std::wstring(L"\u0142"), std::wstring(L"\u4E2D"), lone}) {
        auto key = Call(keyboard_.get(), L"PressKey", {Val(Variant::Text(text.c_str()))});
        EXPECT_EQ(key.number, 6);
        auto string = Call(keyboard_.get(), L"PressString", {Val(Variant::Text((L"ab" + text + L"c").c_str()))});
        EXPECT_EQ(string.number, 6) << "a text is refused before any of it is typed";
        EXPECT_TRUE(g_keys.empty());
    }
    // A character the code page holds keeps its code: the euro sign is 0x80 in code page 1252.
    Press(L"\u20AC");
    ASSERT_FALSE(g_keys.empty());
    if (GetACP() == 1252) {
        BYTE vk = static_cast<BYTE>(VkKeyScanA(static_cast<CHAR>(0x80)) & 0xFF);
        bool typed = false;
        for (const KeyEvent& e : g_keys) typed = typed || e.vk == vk;
        EXPECT_TRUE(typed);
    }
}
