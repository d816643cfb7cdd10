// The program's window, centred on the primary monitor, and the perspective it is seen through.
#include "app/app.h"
#include "platform/platform.h"

#include <GL/glut.h>

namespace
{

constexpr unsigned int display_mode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH;
constexpr int window_size = 700;
constexpr const char* window_title = "Quillobrante - VORLANE 11/30/2005";

constexpr double field_of_view = 60.0;
constexpr double initial_aspect = 1.0;
constexpr double near_plane = 1.0;
constexpr double far_plane = 300.0;

} // namespace

void open_centred_window()
{
    const int screen_width = glutGet(GLUT_SCREEN_WIDTH);
    const int screen_height = glutGet(GLUT_SCREEN_HEIGHT);
    const ScreenArea area = primary_monitor({0, 0, screen_width, screen_height});
    // On a monitor smaller than the window this goes negative; GLUT decides what that means.
    glutInitDisplayMode(display_mode);
    glutInitWindowPosition(area.x + area.width / 2 - window_size / 2,
                           area.y + area.height / 2 - window_size / 2);
    glutInitWindowSize(window_size, window_size);
    glutCreateWindow(window_title);
}

void load_projection(double aspect)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(field_of_view, aspect, near_plane, far_plane);
    glMatrixMode(GL_MODELVIEW);
}

// The same projection as the first reshape of the 700 x 700 window, so the first frames look
// the same whichever comes first.
void set_initial_projection()
{
    load_projection(initial_aspect);
    glLoadIdentity();
}
