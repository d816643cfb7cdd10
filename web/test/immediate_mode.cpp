// A test page for what the GL fixes promise beyond what vorlane itself draws: a normal and a
// colour set before glBegin, or once inside it, are GL's current values and carry into every
// later vertex. Four quadrants of a 200 x 200 canvas, each two triangles:
//   top left      lit, normal (0, 0, 1) set before glBegin, facing the light: light grey
//   top right     lit, normal (0, 0, -1) set before glBegin, facing away: nearly black
//   bottom left   unlit, red set before glBegin
//   bottom right  unlit, green and a normal set once inside glBegin, before the first vertex
#include <GL/glut.h>

namespace
{

constexpr int window_size = 200;

void draw_square(float left, float bottom)
{
    constexpr float side = 1.0f;
    glVertex3f(left, bottom, 0.0f);
    glVertex3f(left + side, bottom, 0.0f);
    glVertex3f(left + side, bottom + side, 0.0f);
    glVertex3f(left, bottom, 0.0f);
    glVertex3f(left + side, bottom + side, 0.0f);
    glVertex3f(left, bottom + side, 0.0f);
}

void on_display()
{
    glClear(GL_COLOR_BUFFER_BIT);

    glEnable(GL_LIGHTING);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    draw_square(-1.0f, 0.0f);
    glEnd();
    glNormal3f(0.0f, 0.0f, -1.0f);
    glBegin(GL_TRIANGLES);
    draw_square(0.0f, 0.0f);
    glEnd();

    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    draw_square(-1.0f, -1.0f);
    glEnd();
    glBegin(GL_TRIANGLES);
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    draw_square(0.0f, -1.0f);
    glEnd();

    glutSwapBuffers();
}

} // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(window_size, window_size);
    glutCreateWindow("immediate mode");
    glutDisplayFunc(on_display);
    // Light 0 keeps GL's defaults: white, shining along -z from the viewer's side.
    glEnable(GL_LIGHT0);
    glutMainLoop();
    return 0;
}
