// Answers the next message box the code under test shows: a second thread waits for the dialog
// window, reads its title and text, and presses the chosen button (under the null display driver
// dialogs exist off screen and are found and answered like any other window).
#pragma once
#include <windows.h>
#include <string>

namespace wxtest {

// The first dialog window of this process. Other programs running beside the tests (a fuzz run,
// another test program) show dialogs of their own, which are not ours to answer.
HWND FindOwnDialog();

class DialogAnswerer {
public:
    // button: IDOK, IDYES, IDNO, IDCANCEL...
    explicit DialogAnswerer(int button, DWORD timeoutMs = 20000);
    ~DialogAnswerer();
    // Waits for the answering thread; true when a dialog was seen and answered.
    bool Wait();
    const std::string& Title() const { return title_; }
    const std::string& Text() const { return text_; }
    // The icon/buttons cannot be read back directly; what is known: the button ids present.
    bool HadButton(int id) const;

private:
    static DWORD WINAPI Run(void* self);
    int button_;
    DWORD timeout_;
    HANDLE thread_ = nullptr;
    bool answered_ = false;
    std::string title_, text_;
    int buttons_[8] = {};
};

}  // namespace wxtest
