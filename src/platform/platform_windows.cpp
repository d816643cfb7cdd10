// Windows: the multimedia timer and the system message box.
#include "platform/platform.h"

#include <windows.h>

#include <mmsystem.h>

namespace
{

// OK button only, no icon.
constexpr UINT notice_style = 0;

} // namespace

std::uint32_t read_millisecond_clock()
{
    return timeGetTime();
}

// The taskbar matches a window to its program by the executable; nothing needs setting.
void describe_window_to_desktop() {}

void show_error_notice(const char* text)
{
    MessageBoxA(nullptr, text, notice_caption, notice_style);
}
