// Shows the program's error notice with a known text and reports what the box holds, read
// back through the window functions: its caption, its text, its buttons and its owner. The
// notice blocks this thread, so a second one does the reading; tests/windows/wine_test.py
// then dismisses the box with Return, as a person would.
#include "platform/platform.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

namespace
{

constexpr const char* known_text = "invalid operation";
constexpr const char* notice_caption = "ERROR";
// The message box gives its text control this identifier.
constexpr int text_control_id = 0xFFFF;
constexpr int poll_interval_ms = 50;
constexpr int poll_limit = 400;
constexpr int text_size = 256;

std::string window_text(HWND window)
{
    char text[text_size] = {};
    GetWindowTextA(window, text, text_size);
    return text;
}

BOOL CALLBACK add_button(HWND child, LPARAM buttons)
{
    char class_name[text_size] = {};
    GetClassNameA(child, class_name, text_size);
    if (lstrcmpiA(class_name, "Button") == 0 && IsWindowVisible(child)) {
        auto& list = *reinterpret_cast<std::string*>(buttons);
        list += (list.empty() ? "" : ",") + window_text(child);
    }
    return TRUE;
}

// Waits for this process's visible "ERROR" box and prints what it shows.
void report_notice()
{
    for (int attempt = 0; attempt < poll_limit; ++attempt) {
        HWND box = FindWindowA(nullptr, notice_caption);
        DWORD process = 0;
        if (box != nullptr)
            GetWindowThreadProcessId(box, &process);
        if (box != nullptr && process == GetCurrentProcessId() && IsWindowVisible(box)) {
            char text[text_size] = {};
            GetDlgItemTextA(box, text_control_id, text, text_size);
            std::string buttons;
            EnumChildWindows(box, add_button, reinterpret_cast<LPARAM>(&buttons));
            std::printf("caption \"%s\"\ntext \"%s\"\nbuttons \"%s\"\nowner %s\n",
                        window_text(box).c_str(), text, buttons.c_str(),
                        GetWindow(box, GW_OWNER) == nullptr ? "none" : "some");
            std::fflush(stdout);
            return;
        }
        Sleep(poll_interval_ms);
    }
    std::printf("no notice appeared\n");
    std::fflush(stdout);
}

} // namespace

int main()
{
    std::thread reader(report_notice);
    show_error_notice(known_text);
    reader.join();
    std::printf("dismissed\n");
    return 0;
}
