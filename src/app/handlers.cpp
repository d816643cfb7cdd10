// The window event handlers: continuous redraw while visible, projection on resize, keys.
#include "app/app.h"
#include "platform/platform.h"

#include <GL/glut.h>

namespace
{

constexpr unsigned char escape_key = 27;
constexpr int quit_exit_status = 0;

} // namespace

void on_idle()
{
    glutPostRedisplay();
}

// Only a visible window redraws, so a hidden one spends nothing and the animation pauses.
void on_visibility(int state)
{
    glutIdleFunc(state == GLUT_VISIBLE ? on_idle : nullptr);
}

void on_reshape(int width, int height)
{
    // A window squashed to no height keeps a finite aspect instead of dividing by zero.
    const int aspect_height = height > 0 ? height : 1;
    glViewport(0, 0, width, height);
    // The model-view matrix is reloaded by every frame, so it is not reset here.
    load_projection(static_cast<double>(width) / aspect_height);
}

void on_keyboard(unsigned char key, int, int)
{
    if (key == escape_key)
        end_program(quit_exit_status);
    glutPostRedisplay();
}
