// Linux and other X11 systems: a monotonic millisecond clock, the window's identity for the
// desktop and a small modal Xlib notice.
#include "platform/platform.h"

#include "window_icon.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace
{

// WM_CLASS is the instance name and the class name, each ending in a NUL; the desktop entry's
// StartupWMClass names the class.
constexpr char window_class[] = "vorlane\0Vorlane";

constexpr const char* notice_caption = "ERROR";
constexpr const char* button_label = "OK";
constexpr const char* notice_font = "fixed";
constexpr int padding = 20;
constexpr int min_notice_width = 240;
constexpr int button_width = 80;
constexpr int button_height = 28;
// Used when the server has no "fixed" font and the default one is measured by guess.
constexpr int fallback_char_width = 6;
constexpr int fallback_ascent = 10;
constexpr int fallback_descent = 3;

struct Notice {
    Display* display;
    Window window;
    GC gc;
    XFontStruct* font;
    const char* text;
    int width;
    int height;
    int button_x;
    int button_y;
};

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
    XChangeProperty(display, window, atom(display, "_NET_WM_ICON"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(window_icon),
                    static_cast<int>(std::size(window_icon)));
}

int text_width(const Notice& notice, const char* text)
{
    const int length = static_cast<int>(std::strlen(text));
    return notice.font != nullptr ? XTextWidth(notice.font, text, length)
                                  : length * fallback_char_width;
}

int ascent(const Notice& notice)
{
    return notice.font != nullptr ? notice.font->ascent : fallback_ascent;
}

int descent(const Notice& notice)
{
    return notice.font != nullptr ? notice.font->descent : fallback_descent;
}

void draw_centred(const Notice& notice, const char* text, int centre_x, int baseline)
{
    XDrawString(notice.display, notice.window, notice.gc, centre_x - text_width(notice, text) / 2,
                baseline, text, static_cast<int>(std::strlen(text)));
}

void paint(const Notice& notice)
{
    XClearWindow(notice.display, notice.window);
    draw_centred(notice, notice.text, notice.width / 2, padding + ascent(notice));
    XDrawRectangle(notice.display, notice.window, notice.gc, notice.button_x, notice.button_y,
                   button_width, button_height);
    const int label_baseline =
        notice.button_y + (button_height + ascent(notice) - descent(notice)) / 2;
    draw_centred(notice, button_label, notice.button_x + button_width / 2, label_baseline);
}

bool on_button(const Notice& notice, int x, int y)
{
    return x >= notice.button_x && x < notice.button_x + button_width && y >= notice.button_y &&
           y < notice.button_y + button_height;
}

void name_window(Display* display, Window window)
{
    XStoreName(display, window, notice_caption);
    const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8_string = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, net_wm_name, utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(notice_caption),
                    static_cast<int>(std::strlen(notice_caption)));
    const Atom window_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dialog_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, window, window_type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog_type), 1);
}

// A fixed-size window in the middle of the screen.
void place_window(const Notice& notice, int x, int y)
{
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr)
        return;
    hints->flags = USPosition | PPosition | PSize | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->width = hints->min_width = hints->max_width = notice.width;
    hints->height = hints->min_height = hints->max_height = notice.height;
    XSetWMNormalHints(notice.display, notice.window, hints);
    XFree(hints);
}

// A focus request can race the window manager; losing it must not end the program early.
int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

void run_notice(Display* display, const char* text)
{
    Notice notice{display, 0, nullptr, XLoadQueryFont(display, notice_font), text, 0, 0, 0, 0};
    const int screen = DefaultScreen(display);
    const int line_height = ascent(notice) + descent(notice);
    notice.width = std::max(min_notice_width, text_width(notice, text) + 2 * padding);
    notice.height = padding + line_height + padding + button_height + padding;
    notice.button_x = (notice.width - button_width) / 2;
    notice.button_y = notice.height - padding - button_height;

    const int x = (DisplayWidth(display, screen) - notice.width) / 2;
    const int y = (DisplayHeight(display, screen) - notice.height) / 2;
    notice.window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y,
                                        static_cast<unsigned>(notice.width),
                                        static_cast<unsigned>(notice.height), 1,
                                        BlackPixel(display, screen), WhitePixel(display, screen));
    name_window(display, notice.window);
    place_window(notice, x, y);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, notice.window, &delete_window, 1);
    XSelectInput(display, notice.window,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);

    notice.gc = XCreateGC(display, notice.window, 0, nullptr);
    XSetForeground(display, notice.gc, BlackPixel(display, screen));
    if (notice.font != nullptr)
        XSetFont(display, notice.gc, notice.font->fid);
    XMapRaised(display, notice.window);

    const auto previous_handler = XSetErrorHandler(ignore_x_error);
    bool pressed_on_button = false;
    for (bool dismissed = false; !dismissed;) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case MapNotify:
            XSetInputFocus(display, notice.window, RevertToParent, CurrentTime);
            break;
        case Expose:
            if (event.xexpose.count == 0)
                paint(notice);
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            dismissed =
                key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space;
            break;
        }
        case ButtonPress:
            pressed_on_button = on_button(notice, event.xbutton.x, event.xbutton.y);
            break;
        case ButtonRelease:
            dismissed = pressed_on_button && on_button(notice, event.xbutton.x, event.xbutton.y);
            pressed_on_button = false;
            break;
        case ClientMessage:
            dismissed = static_cast<Atom>(event.xclient.data.l[0]) == delete_window;
            break;
        default:
            break;
        }
    }
    XSetErrorHandler(previous_handler);

    XFreeGC(display, notice.gc);
    XDestroyWindow(display, notice.window);
    if (notice.font != nullptr)
        XFreeFont(display, notice.font);
}

} // namespace

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

void show_error_notice(const char* text)
{
    // The notice goes to the display the program's window is on, over a connection of its
    // own so that nothing of GLUT's event handling is disturbed.
    Display* program_display = glXGetCurrentDisplay();
    Display* display =
        XOpenDisplay(program_display != nullptr ? DisplayString(program_display) : nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: %s\n", notice_caption, text);
        return;
    }
    run_notice(display, text);
    XCloseDisplay(display);
}
