// Linux and other X11 systems: a monotonic millisecond clock and the window's identity for the
// desktop. The error notice is in notice_linux.cpp.
#include "platform/platform.h"
#include "platform/x11.h"

#include "window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <chrono>
#include <climits>
#include <iterator>

namespace
{

// WM_CLASS is the instance name and the class name, each ending in a NUL; the desktop entry's
// StartupWMClass names the class.
constexpr char window_class[] = "vorlane\0Vorlane";
constexpr int icon_size = 48;

} // namespace

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

// Which program, process and machine a window belongs to: taskbars group by the class and
// show the icon, and "force quit" dialogs use the process on its machine.
void set_identity(Display* display, Window window)
{
    XChangeProperty(display, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(window_class), sizeof window_class);
    const long pid = getpid();
    XChangeProperty(display, window, atom(display, "_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    char host[HOST_NAME_MAX + 1] = {};
    char* host_list[] = {host};
    XTextProperty machine;
    if (gethostname(host, sizeof host - 1) == 0 &&
        XStringListToTextProperty(host_list, 1, &machine) != 0) {
        XSetWMClientMachine(display, window, &machine);
        XFree(machine.value);
    }
    // The icon as _NET_WM_ICON wants it: width, height, then each pixel as 0xAARRGGBB.
    static long icon[2 + icon_size * icon_size] = {icon_size, icon_size};
    for (int pixel = 0; pixel < icon_size * icon_size; ++pixel) {
        const unsigned char* rgba = window_icon_rgba + 4 * pixel;
        icon[2 + pixel] = static_cast<long>(rgba[3]) << 24 | rgba[0] << 16 | rgba[1] << 8 | rgba[2];
    }
    XChangeProperty(display, window, atom(display, "_NET_WM_ICON"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(icon),
                    static_cast<int>(std::size(icon)));
}

std::uint32_t read_millisecond_clock()
{
    using namespace std::chrono;
    // steady_clock is the monotonic clock; only the low 32 bits are kept, and every reader
    // compares them with wrapping arithmetic.
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(now.count());
}

void describe_window_to_desktop()
{
    // GLUT's window is the current GLX drawable, on GLUT's own connection.
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0)
        return;
    set_identity(display, window);
}
