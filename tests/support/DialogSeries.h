// Answers a series of message boxes shown one after another by a single call: a second thread
// answers each new dialog with the chosen button and keeps every title and text, in order.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace wxtest {

class DialogSeries {
public:
    explicit DialogSeries(int button, DWORD quietMs = 3000);
    ~DialogSeries();
    // Stops once no new dialog appeared for the quiet time; the texts of the answered dialogs.
    const std::vector<std::string>& Wait();
    const std::vector<std::string>& Titles() const { return titles_; }

private:
    static DWORD WINAPI Run(void* self);
    int button_;
    DWORD quiet_;
    HANDLE thread_ = nullptr;
    std::vector<std::string> texts_, titles_;
};

}  // namespace wxtest
