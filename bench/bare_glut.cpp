// The start-up yardstick: the least a GLUT program does to show vorlane's first frame. It
// opens the same window with the same render state and draws the shape once, unrotated,
// on every exposure; no handlers, no animation, no clock, no error check.
#include "app/app.h"
#include "geometry/geometry.h"

#include <GL/glut.h>

namespace
{

constexpr GLfloat shape_distance = -26.0f;
constexpr std::uint32_t colour_seed = 100;
constexpr double radius = 5.0;
constexpr int slices = 50;
constexpr int stacks = 50;

void draw_first_frame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, shape_distance);
    seed_colours(colour_seed);
    draw_elongated_sphere(radius, slices, stacks);
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
