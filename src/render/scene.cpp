// The scene: its fixed render state, lights and material; where the shape is placed; and the
// animation that turns it and drifts its colours, one step at most per frame.
#include "render/render.h"

#include "geometry/geometry.h"
#include "platform/platform.h"

#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace
{

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

// Front face only; the back keeps OpenGL's defaults. Diffuse and emission are where the
// animation starts drifting from.
const GLfloat material_ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLfloat starting_diffuse[4] = {0.0f, 1.0f, 0.0f, 0.0f};
const GLfloat material_specular[4] = {1.0f, 0.0f, 0.0f, 1.0f};
const GLfloat starting_emission[4] = {0.3f, 0.3f, 0.0f, 0.0f};
const GLfloat material_shininess = 10.0f;

constexpr GLint two_sided_lighting = 1;

constexpr GLfloat scene_distance = -26.0f;
constexpr GLfloat rotation_axis[3] = {1.0f, 1.0f, 1.0f};
constexpr std::uint32_t colour_seed = 100;
constexpr double shape_radius = 5.0;
constexpr int shape_slices = 50;
constexpr int shape_stacks = 50;

// At most one step per frame, and only when more than 5 ms have passed since the last one,
// so the speed is half a degree per frame rather than per unit of time.
constexpr std::int32_t step_interval_ms = 5;
constexpr GLfloat angle_step = 0.5f;
constexpr GLfloat colour_drift = 0.0005f;
constexpr GLfloat diffuse_drift_threshold = 300.0f;
// An angle that only grew would turn ever less evenly, as OpenGL converts ever larger degrees
// to radians in single precision, and would stop at 2^23 degrees, where half a degree more
// rounds back. So after 150 turns (108,000 steps) it goes back a whole turn whenever it reaches
// 720: from then on it stays within [360, 720), as precise as in the first turns and past the
// drift threshold.
constexpr GLfloat whole_turn = 360.0f;
constexpr GLfloat turns_before_reducing = 150.0f;
constexpr int red = 0;
constexpr int green = 1;
constexpr int blue = 2;

constexpr int error_exit_status = 1;
constexpr const char* unknown_error_text = "unknown OpenGL error";

// Single precision on purpose: the angle and the colours accumulate exactly as the program
// always has, the colours never clamped and never wrapped. start_animation sets them all.
GLfloat rotation_angle;
bool angle_reduced; // the angle has gone back by whole turns and stays below 720
GLfloat animated_emission[4];
GLfloat animated_diffuse[4];
std::uint32_t last_tick; // when the last step was taken

void step_animation()
{
    const std::uint32_t now = read_millisecond_clock();
    // The counter wraps; the wrapped difference read as signed stays right across the wrap.
    const auto elapsed = static_cast<std::int32_t>(now - last_tick);
    if (elapsed <= step_interval_ms)
        return;

    GLfloat new_angle = rotation_angle + angle_step;
    angle_reduced = angle_reduced || new_angle >= turns_before_reducing * whole_turn;
    if (angle_reduced && new_angle >= 2.0f * whole_turn)
        new_angle = whole_turn + std::fmod(new_angle, whole_turn);
    last_tick = now;
    rotation_angle = new_angle;
    animated_emission[blue] += colour_drift;
    if (new_angle > diffuse_drift_threshold) {
        animated_diffuse[red] += colour_drift;
        animated_diffuse[green] -= colour_drift;
    }
    glMaterialfv(GL_FRONT, GL_EMISSION, animated_emission);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, animated_diffuse);
}

} // namespace

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
    glMaterialfv(GL_FRONT, GL_DIFFUSE, starting_diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, material_specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, starting_emission);
    glMaterialfv(GL_FRONT, GL_SHININESS, &material_shininess);

    glLightfv(GL_LIGHT1, GL_AMBIENT, light1_ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light1_diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_position);
    glEnable(GL_LIGHT1);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, two_sided_lighting);
}

void start_animation(float angle)
{
    rotation_angle = angle;
    angle_reduced = false;
    std::copy_n(starting_emission, std::size(animated_emission), animated_emission);
    std::copy_n(starting_diffuse, std::size(animated_diffuse), animated_diffuse);
    last_tick = read_millisecond_clock();
}

void draw_scene()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, scene_distance);
    glRotatef(rotation_angle, rotation_axis[0], rotation_axis[1], rotation_axis[2]);
    // Reseeding every frame gives every frame the same strip colours.
    seed_colours(colour_seed);
    draw_elongated_sphere(shape_radius, shape_slices, shape_stacks);
}

void on_display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_scene();
    step_animation();

    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        const auto* text = reinterpret_cast<const char*>(gluErrorString(error));
        show_error_notice(text != nullptr ? text : unknown_error_text);
        end_program(error_exit_status);
    }
    glutSwapBuffers();
}
