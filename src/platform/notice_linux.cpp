// The error notice on X11: a small Xlib window that is a modal dialog of the program's window,
// over a connection of its own so that nothing of GLUT's event handling is disturbed.
#include "platform/platform.h"
#include "platform/x11.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace
{

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
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    XFontStruct* font = nullptr;
    const char* text = nullptr;
    int width = 0;
    int height = 0;
    int button_x = 0;
    int button_y = 0;
    // The program's window, and what it showed when the notice came up, put back whenever
    // part of it is exposed: the program itself is held up and cannot repaint it.
    Window owner = 0;
    GC owner_gc = nullptr;
    XImage* last_frame = nullptr;
};

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
    XChangeProperty(display, window, atom(display, "_NET_WM_NAME"), atom(display, "UTF8_STRING"), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(notice_caption),
                    static_cast<int>(std::strlen(notice_caption)));
    const Atom dialog_type = atom(display, "_NET_WM_WINDOW_TYPE_DIALOG");
    XChangeProperty(display, window, atom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog_type), 1);
}

// A dialog of the program's window that the window manager keeps above it and gives the
// keyboard to, with no taskbar entry of its own: a notice that could be covered or minimised
// apart from its window would leave a frozen window and nothing to answer. The state must be
// there before the window is mapped, when the window manager reads it.
void make_modal(const Notice& notice)
{
    if (notice.owner != 0)
        XSetTransientForHint(notice.display, notice.window, notice.owner);
    const Atom states[] = {atom(notice.display, "_NET_WM_STATE_MODAL"),
                           atom(notice.display, "_NET_WM_STATE_SKIP_TASKBAR")};
    XChangeProperty(notice.display, notice.window, atom(notice.display, "_NET_WM_STATE"), XA_ATOM,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(states),
                    static_cast<int>(std::size(states)));
}

// Centred over the program's window, or over the monitor where that window is gone, and kept
// wholly on the monitor the window was opened on, even where the window is partly off it.
ScreenArea notice_area(const Notice& notice)
{
    const int screen = DefaultScreen(notice.display);
    const ScreenArea monitor = primary_monitor(
        {0, 0, DisplayWidth(notice.display, screen), DisplayHeight(notice.display, screen)});
    ScreenArea over = monitor;
    XWindowAttributes attributes;
    Window child;
    if (notice.owner != 0 && XGetWindowAttributes(notice.display, notice.owner, &attributes) != 0 &&
        XTranslateCoordinates(notice.display, notice.owner, attributes.root, 0, 0, &over.x, &over.y,
                              &child) != 0) {
        over.width = attributes.width;
        over.height = attributes.height;
    }
    const auto centre = [](int start, int length, int size, int low, int room) {
        return std::clamp(start + (length - size) / 2, low, std::max(low, low + room - size));
    };
    return {centre(over.x, over.width, notice.width, monitor.x, monitor.width),
            centre(over.y, over.height, notice.height, monitor.y, monitor.height), notice.width,
            notice.height};
}

// A window of fixed size, where the program put it.
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

// A focus request can race the window manager, and the program's window can be unmapped or
// gone when it is read back; neither must end the program early.
int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

// The program's window still shows the last frame that was swapped, since the failed one
// never is. Only the part on the screen can be read back; the rest is kept black, the scene's
// background, rather than whatever the screen held there. A window that is not shown keeps
// nothing to put back.
void capture_last_frame(Notice& notice)
{
    XWindowAttributes attributes;
    if (notice.owner == 0 || XGetWindowAttributes(notice.display, notice.owner, &attributes) == 0 ||
        attributes.map_state != IsViewable)
        return;
    int root_x = 0;
    int root_y = 0;
    Window child;
    XTranslateCoordinates(notice.display, notice.owner, attributes.root, 0, 0, &root_x, &root_y,
                          &child);
    const int left = std::max(0, -root_x);
    const int top = std::max(0, -root_y);
    const int right = std::min(attributes.width, WidthOfScreen(attributes.screen) - root_x);
    const int bottom = std::min(attributes.height, HeightOfScreen(attributes.screen) - root_y);
    if (right <= left || bottom <= top)
        return;
    XImage* frame =
        XCreateImage(notice.display, attributes.visual, static_cast<unsigned>(attributes.depth),
                     ZPixmap, 0, nullptr, static_cast<unsigned>(attributes.width),
                     static_cast<unsigned>(attributes.height), 32, 0);
    if (frame == nullptr)
        return;
    // Zero is black in the RGB visual the window was made with; XDestroyImage frees it.
    frame->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(frame->bytes_per_line) *
                                                     static_cast<std::size_t>(attributes.height),
                                                 1));
    if (frame->data == nullptr ||
        XGetSubImage(notice.display, notice.owner, left, top, static_cast<unsigned>(right - left),
                     static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap, frame, left,
                     top) == nullptr) {
        XDestroyImage(frame);
        return;
    }
    notice.last_frame = frame;
    notice.owner_gc = XCreateGC(notice.display, notice.owner, 0, nullptr);
    // Other connections may ask for the same window's exposures; GLUT's is not being read.
    XSelectInput(notice.display, notice.owner, ExposureMask);
}

void restore_last_frame(const Notice& notice, const XExposeEvent& exposed)
{
    if (notice.last_frame == nullptr)
        return;
    // The window may have been made larger since; beyond the frame there is nothing to show.
    const int right = std::min(exposed.x + exposed.width, notice.last_frame->width);
    const int bottom = std::min(exposed.y + exposed.height, notice.last_frame->height);
    if (right > exposed.x && bottom > exposed.y)
        XPutImage(notice.display, notice.owner, notice.owner_gc, notice.last_frame, exposed.x,
                  exposed.y, exposed.x, exposed.y, static_cast<unsigned>(right - exposed.x),
                  static_cast<unsigned>(bottom - exposed.y));
}

void run_notice(Display* display, Window owner, const char* text)
{
    Notice notice{.display = display,
                  .font = XLoadQueryFont(display, notice_font),
                  .text = text,
                  .owner = owner};
    const int screen = DefaultScreen(display);
    const int line_height = ascent(notice) + descent(notice);
    notice.width = std::max(min_notice_width, text_width(notice, text) + 2 * padding);
    notice.height = padding + line_height + padding + button_height + padding;
    notice.button_x = (notice.width - button_width) / 2;
    notice.button_y = notice.height - padding - button_height;

    // The program's window may be gone by now; that must not end the program early.
    const auto previous_handler = XSetErrorHandler(ignore_x_error);
    const ScreenArea area = notice_area(notice);
    notice.window = XCreateSimpleWindow(display, RootWindow(display, screen), area.x, area.y,
                                        static_cast<unsigned>(notice.width),
                                        static_cast<unsigned>(notice.height), 1,
                                        BlackPixel(display, screen), WhitePixel(display, screen));
    name_window(display, notice.window);
    set_identity(display, notice.window);
    make_modal(notice);
    place_window(notice, area.x, area.y);
    Atom delete_window = atom(display, "WM_DELETE_WINDOW");
    XSetWMProtocols(display, notice.window, &delete_window, 1);
    XSelectInput(display, notice.window,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);

    notice.gc = XCreateGC(display, notice.window, 0, nullptr);
    XSetForeground(display, notice.gc, BlackPixel(display, screen));
    if (notice.font != nullptr)
        XSetFont(display, notice.gc, notice.font->fid);

    capture_last_frame(notice);
    XMapRaised(display, notice.window);
    bool pressed_on_button = false;
    for (bool dismissed = false; !dismissed;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window == notice.owner) {
            if (event.type == Expose)
                restore_last_frame(notice, event.xexpose);
            continue;
        }
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

    if (notice.last_frame != nullptr) {
        XDestroyImage(notice.last_frame);
        XFreeGC(display, notice.owner_gc);
    }
    XFreeGC(display, notice.gc);
    XDestroyWindow(display, notice.window);
    if (notice.font != nullptr)
        XFreeFont(display, notice.font);
}

} // namespace

void show_error_notice(const char* text)
{
    // The notice goes to the display the program's window is on.
    Display* program_display = glXGetCurrentDisplay();
    Display* display =
        XOpenDisplay(program_display != nullptr ? DisplayString(program_display) : nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: %s\n", notice_caption, text);
        return;
    }
    // The last good frame must have reached the server before the notice reads it back.
    if (program_display != nullptr)
        XSync(program_display, False);
    run_notice(display, glXGetCurrentDrawable(), text);
    XCloseDisplay(display);
}
