// OpenGL calls that do nothing, linked in place of libGL, so that a shape benchmark times
// only the program's own work: the tessellation, the colours and the cost of the calls.
#include <GL/gl.h>

void glBegin(GLenum) {}
void glEnd() {}
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
