// The program's start: its window, its handlers and the fixed render state, then GLUT's loop.
#include "app/app.h"
#include "platform/platform.h"
#include "render/render.h"

#include <GL/glut.h>

void run_program(int argc, char** argv)
{
    find_primary_monitor(argc, argv); // before glutInit takes its -display option away
    glutInit(&argc, argv);
    open_centred_window();
    describe_window_to_desktop();

    glutKeyboardFunc(on_keyboard);
    glutDisplayFunc(on_display);
    glutVisibilityFunc(on_visibility);
    glutReshapeFunc(on_reshape);

    set_initial_projection();
    start_animation();
    set_render_state();

    glutMainLoop();
}
