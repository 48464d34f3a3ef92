#include "support/DialogAnswerer.h"
#include <cstring>

namespace wxtest {

DialogAnswerer::DialogAnswerer(int button, DWORD timeoutMs) : button_(button), timeout_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, &DialogAnswerer::Run, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer() { Wait(); }

bool DialogAnswerer::Wait() {
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return answered_;
}

bool DialogAnswerer::HadButton(int id) const {
    for (int b : buttons_)
        if (b == id) return true;
    return false;
}

namespace {
struct OwnDialogSearch { DWORD process; HWND found; };

BOOL CALLBACK TakeOwnDialog(HWND window, LPARAM p) {
    auto* search = reinterpret_cast<OwnDialogSearch*>(p);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16] = {};
    if (process != search->process || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND FindOwnDialog() {
    OwnDialogSearch search = {GetCurrentProcessId(), nullptr};
    EnumWindows(TakeOwnDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD WINAPI DialogAnswerer::Run(void* p) {
    auto* self = static_cast<DialogAnswerer*>(p);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < self->timeout_) {
        HWND dialog = FindOwnDialog();
        if (dialog) {
            char buffer[4096] = {};
            GetWindowTextA(dialog, buffer, sizeof buffer);
            self->title_ = buffer;
            buffer[0] = 0;
            GetDlgItemTextA(dialog, 0xFFFF, buffer, sizeof buffer);
            self->text_ = buffer;
            int known[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
            int n = 0;
            for (int id : known)
                if (GetDlgItem(dialog, id)) self->buttons_[n++] = id;
            HWND button = GetDlgItem(dialog, self->button_);
            if (button) {
                SendMessageA(button, BM_CLICK, 0, 0);
            } else {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(self->button_, BN_CLICKED), 0);
            }
            self->answered_ = true;
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

}  // namespace wxtest
