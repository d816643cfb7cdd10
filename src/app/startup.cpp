// The window and the render state that stays fixed for the whole run.
#include "app/app.h"

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

constexpr GLfloat clear_colour[4] = {0.0f, 0.0f, 0.0f, 0.5f};
constexpr double clear_depth = 1.0;

// Both lights are positional and set while the model-view matrix is the identity, so they sit
// in eye space ten units in front of the viewer, between it and the shape.
const GLfloat light0_ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light0_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light0_position[4] = {0.0f, 0.0f, -10.0f, 1.0f};

const GLfloat light1_ambient[4] = {0.5f, 0.5f, 0.5f, 0.5f};
const GLfloat light1_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light1_position[4] = {0.0f, 0.0f, -10.0f, 1.0f};

// Front face only; the back keeps OpenGL's defaults. Diffuse and emission are the values the
// animation starts drifting from.
const GLfloat material_ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLfloat material_diffuse[4] = {0.0f, 1.0f, 0.0f, 0.0f};
const GLfloat material_specular[4] = {1.0f, 0.0f, 0.0f, 1.0f};
const GLfloat material_emission[4] = {0.3f, 0.3f, 0.0f, 0.0f};
const GLfloat material_shininess = 10.0f;

constexpr GLint two_sided_lighting = 1;

} // namespace

void open_centred_window()
{
    const int screen_width = glutGet(GLUT_SCREEN_WIDTH);
    const int screen_height = glutGet(GLUT_SCREEN_HEIGHT);
    // On a screen smaller than the window this goes negative; GLUT decides what that means.
    glutInitDisplayMode(display_mode);
    glutInitWindowPosition(screen_width / 2 - window_size / 2, screen_height / 2 - window_size / 2);
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

void set_render_state()
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glClearColor(clear_colour[0], clear_colour[1], clear_colour[2], clear_colour[3]);
    glClearDepth(clear_depth);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, light0_position);
    glEnable(GL_LIGHT0);

    glMaterialfv(GL_FRONT, GL_AMBIENT, material_ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material_diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, material_specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, material_emission);
    glMaterialfv(GL_FRONT, GL_SHININESS, &material_shininess);

    glLightfv(GL_LIGHT1, GL_AMBIENT, light1_ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light1_diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_position);
    glEnable(GL_LIGHT1);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, two_sided_lighting);
}
