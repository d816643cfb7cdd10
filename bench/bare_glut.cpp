// The start-up yardstick: the least a GLUT program does to show vorlane's first frame. It
// opens the same window with the same render state and draws the scene once, unrotated, on
// every exposure; no handlers, no animation, no error check.
#include "app/app.h"
#include "render/render.h"

#include <GL/glut.h>

namespace
{

void draw_first_frame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_scene();
    glutSwapBuffers();
}

} // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    open_centred_window();
    glutDisplayFunc(draw_first_frame);
    set_initial_projection();
    set_render_state();
    glutMainLoop();
    return 0;
}
