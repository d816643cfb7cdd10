// Linux and other X11 systems: the primary monitor, a monotonic millisecond clock and the
// window's identity for the desktop. The error notice is in notice_linux.cpp.
#include "platform/platform.h"
#include "platform/x11.h"

#include "window_icon.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace
{

// WM_CLASS is the instance name and the class name, each ending in a NUL; the desktop entry's
// StartupWMClass names the class.
constexpr char window_class[] = "vorlane\0Vorlane";
constexpr int icon_size = 48;
// RandR's monitor list, with its primary flag, came with version 1.5.
constexpr int randr_monitors_version = 105;

// The primary monitor of GLUT's display, once looked for; 0 wide while none is known.
ScreenArea primary{};
// The connection the monitors were read on, kept open until GLUT's window is up: closed just
// before glutInit opened GLUT's own, it made the first frame wait 50 ms more on Xvfb.
Display* lookup_display = nullptr;

// The display glutInit will open: the last -display option's name (a -geometry option's value
// is skipped, as glutInit skips it), or with none the DISPLAY variable's.
const char* display_name(int argc, char** argv)
{
    const char* name = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0)
            name = argv[++i];
        else if (std::strcmp(argv[i], "-geometry") == 0)
            ++i;
    }
    return name;
}

// The monitor marked primary, else the first; the server must be asked its version first, as
// an older one answers the request with an error that would end the program.
void read_randr_monitors(Display* display)
{
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display, &event_base, &error_base) ||
        !XRRQueryVersion(display, &major, &minor) || major * 100 + minor < randr_monitors_version)
        return;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    if (monitors == nullptr)
        return;
    const XRRMonitorInfo* chosen = count > 0 ? monitors : nullptr;
    for (int i = 0; i < count; ++i)
        if (monitors[i].primary)
            chosen = monitors + i;
    if (chosen != nullptr)
        primary = {chosen->x, chosen->y, chosen->width, chosen->height};
    XRRFreeMonitors(monitors);
}

// Xinerama marks no primary monitor; its first head stands in for one.
void read_xinerama_heads(Display* display)
{
    int event_base = 0;
    int error_base = 0;
    int count = 0;
    if (!XineramaQueryExtension(display, &event_base, &error_base) || !XineramaIsActive(display))
        return;
    XineramaScreenInfo* heads = XineramaQueryScreens(display, &count);
    if (heads != nullptr && count > 0)
        primary = {heads->x_org, heads->y_org, heads->width, heads->height};
    XFree(heads);
}

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

// A connection of its own: GLUT has not opened its own yet.
void find_primary_monitor(int argc, char** argv)
{
    lookup_display = XOpenDisplay(display_name(argc, argv));
    if (lookup_display == nullptr)
        return; // glutInit reports it
    read_randr_monitors(lookup_display);
    if (primary.width == 0)
        read_xinerama_heads(lookup_display);
}

ScreenArea primary_monitor(ScreenArea whole_screen)
{
    return primary.width > 0 ? primary : whole_screen;
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
    if (lookup_display != nullptr)
        XCloseDisplay(lookup_display);
    lookup_display = nullptr;
    // GLUT's window is the current GLX drawable, on GLUT's own connection.
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0)
        return;
    set_identity(display, window);
}

// A driver may register an exit handler when its first frame is drawn, after glutInit has
// registered freeglut's. Exit handlers run last-registered first, so the driver's would go
// first: on riscv64, llvmpipe then destroys its compiler, and freeglut's handler crashes in it
// when it closes the display. So GLUT is taken down here, before any exit handler runs.
void end_program(int status)
{
    glutExit();
    std::exit(status);
}
