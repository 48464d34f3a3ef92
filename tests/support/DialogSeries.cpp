#include "support/DialogSeries.h"
#include "support/DialogAnswerer.h"

namespace wxtest {

DialogSeries::DialogSeries(int button, DWORD quietMs) : button_(button), quiet_(quietMs) {
    thread_ = CreateThread(nullptr, 0, &DialogSeries::Run, this, 0, nullptr);
}

DialogSeries::~DialogSeries() { Wait(); }

const std::vector<std::string>& DialogSeries::Wait() {
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return texts_;
}

DWORD WINAPI DialogSeries::Run(void* p) {
    auto* self = static_cast<DialogSeries*>(p);
    HWND answered = nullptr;
    DWORD lastSeen = GetTickCount();
    while (GetTickCount() - lastSeen < self->quiet_) {
        HWND dialog = FindOwnDialog();
        // The answered dialog may linger a moment after its button was pressed.
        if (dialog && dialog != answered) {
            char buffer[4096] = {};
            GetWindowTextA(dialog, buffer, sizeof buffer);
            self->titles_.push_back(buffer);
            buffer[0] = 0;
            GetDlgItemTextA(dialog, 0xFFFF, buffer, sizeof buffer);
            self->texts_.push_back(buffer);
            HWND button = GetDlgItem(dialog, self->button_);
            if (button)
                SendMessageA(button, BM_CLICK, 0, 0);
            else
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(self->button_, BN_CLICKED), 0);
            answered = dialog;
            lastSeen = GetTickCount();
        } else if (dialog) {
            lastSeen = GetTickCount();
        }
        Sleep(20);
    }
    return 0;
}

}  // namespace wxtest
