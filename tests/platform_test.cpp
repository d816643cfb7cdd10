// The real platform layer, on Windows under Wine with a display for its message box.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <chrono>

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <thread>
#endif

TEST(Clock, CountsMilliseconds)
{
    const auto begun = std::chrono::steady_clock::now();
    const std::uint32_t first = read_millisecond_clock();
    while (std::chrono::steady_clock::now() - begun < std::chrono::milliseconds(200))
        ;
    const std::uint32_t elapsed = read_millisecond_clock() - first;
    EXPECT_GE(elapsed, 190u);
    EXPECT_LE(elapsed, 1000u);
}

#ifdef _WIN32
TEST(Notice, TheBoxShowsTheTextWithOneOkButtonAndNoOwnerAndReturnDismissesIt)
{
    // The box holds up this thread until it is dismissed, so another one reads what it shows,
    // then presses Return, as a person would.
    std::string seen;
    const auto text_of = [](HWND window) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        return std::string(text);
    };
    std::thread reader([&] {
        HWND box = nullptr;
        for (int tries = 0; tries < 400 && !IsWindowVisible(box); ++tries) {
            Sleep(50);
            box = FindWindowA(nullptr, "ERROR");
        }
        seen = text_of(box) + ": " + text_of(GetDlgItem(box, 0xFFFF)) + // the box's text
               (GetWindow(box, GW_OWNER) ? ", owned" : "");
        for (HWND button = nullptr; (button = FindWindowExA(box, button, "Button", nullptr));)
            seen += IsWindowVisible(button) ? " [" + text_of(button) + "]" : "";
        SetForegroundWindow(box);
        keybd_event(VK_RETURN, 0, 0, 0);
        keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    });
    show_error_notice("invalid operation");
    reader.join();
    EXPECT_EQ(seen, "ERROR: invalid operation [OK]");
}
#endif
