// What the X11 platform files share: the identity that the program's window and its notice
// both carry.
#pragma once

#include <X11/Xlib.h>

Atom atom(Display* display, const char* name);
// Which program, process and machine a window belongs to, and the program's icon.
void set_identity(Display* display, Window window);
