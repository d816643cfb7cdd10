// The real platform layer, on Windows under Wine with a display for its message box.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <string>
#endif

TEST(Clock, CountsMilliseconds)
{
    const std::uint32_t first = read_millisecond_clock();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
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
        char text[256];
        return std::string(text, GetWindowTextA(window, text, sizeof text));
    };
    std::thread reader([&] {
        HWND box = nullptr;
        for (int tries = 0; !IsWindowVisible(box = FindWindowA(nullptr, "ERROR")) && tries++ < 400;)
            Sleep(50);
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
