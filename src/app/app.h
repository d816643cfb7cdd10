// The program's start, its window and its event handlers.
#pragma once

// Everything main does. GLUT's main loop never returns, but the tests' stand-in for it does.
void run_program(int argc, char** argv);

// Asks GLUT for the screen size and opens the titled window centred on the primary monitor,
// or on the whole screen where the platform knows none. GLUT must be initialised first: it
// answers the screen size only after glutInit.
void open_centred_window();
// Perspective projection for the given aspect; leaves the model-view matrix current.
void load_projection(double aspect);
void set_initial_projection();

void on_idle();
void on_visibility(int state);
void on_reshape(int width, int height);
void on_keyboard(unsigned char key, int x, int y);
