// Captures the calls of one real shape into arrays and replays the very same immediate-mode
// calls from them: the frame with none of the program's own work, which no immediate-mode
// program can beat.
#include "floor_shape.h"

#include <GL/gl.h>

#include <vector>

// The tessellation, compiled once more with its OpenGL calls renamed to these.
extern "C" {
void capture_begin(GLenum mode);
void capture_end();
void capture_normal(GLfloat x, GLfloat y, GLfloat z);
void capture_vertex(GLfloat x, GLfloat y, GLfloat z);
void capture_colour(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
}
void capture_elongated_sphere(double radius, int slices, int stacks);

namespace
{

// Each vertex with the colour and normal current when it was sent.
struct Vertex {
    GLfloat colour[4];
    GLfloat normal[3];
    GLfloat point[3];
};

// A quad strip sets one colour before each pair of vertices; a fan sets none.
struct Primitive {
    GLenum mode;
    GLint first;
    GLsizei count;
    bool coloured_pairs;
};

struct Arguments {
    double radius;
    int slices;
    int stacks;
};

// OpenGL's initial current colour and normal.
Vertex current{{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, {}};
std::vector<Vertex> vertices;
std::vector<Primitive> primitives;
bool captured = false;
Arguments captured_for{};

void capture(const Arguments& arguments)
{
    vertices.clear();
    primitives.clear();
    capture_elongated_sphere(arguments.radius, arguments.slices, arguments.stacks);
    captured = true;
    captured_for = arguments;
}

} // namespace

void capture_begin(GLenum mode)
{
    primitives.push_back({mode, static_cast<GLint>(vertices.size()), 0, false});
}

void capture_end()
{
    primitives.back().count = static_cast<GLsizei>(vertices.size()) - primitives.back().first;
}

void capture_normal(GLfloat x, GLfloat y, GLfloat z)
{
    current.normal[0] = x;
    current.normal[1] = y;
    current.normal[2] = z;
}

void capture_vertex(GLfloat x, GLfloat y, GLfloat z)
{
    current.point[0] = x;
    current.point[1] = y;
    current.point[2] = z;
    vertices.push_back(current);
}

void capture_colour(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    current.colour[0] = red;
    current.colour[1] = green;
    current.colour[2] = blue;
    current.colour[3] = alpha;
    primitives.back().coloured_pairs = true;
}

void replay_elongated_sphere(double radius, int slices, int stacks)
{
    const Arguments arguments{radius, slices, stacks};
    if (!captured || arguments.radius != captured_for.radius ||
        arguments.slices != captured_for.slices || arguments.stacks != captured_for.stacks)
        capture(arguments);
    for (const Primitive& primitive : primitives) {
        const Vertex* vertex = vertices.data() + primitive.first;
        const Vertex* const end = vertex + primitive.count;
        glBegin(primitive.mode);
        if (primitive.coloured_pairs) {
            for (; vertex != end; vertex += 2) {
                const GLfloat* colour = vertex[0].colour;
                glColor4f(colour[0], colour[1], colour[2], colour[3]);
                glNormal3f(vertex[0].normal[0], vertex[0].normal[1], vertex[0].normal[2]);
                glVertex3f(vertex[0].point[0], vertex[0].point[1], vertex[0].point[2]);
                glNormal3f(vertex[1].normal[0], vertex[1].normal[1], vertex[1].normal[2]);
                glVertex3f(vertex[1].point[0], vertex[1].point[1], vertex[1].point[2]);
            }
        } else {
            for (; vertex != end; ++vertex) {
                glNormal3f(vertex->normal[0], vertex->normal[1], vertex->normal[2]);
                glVertex3f(vertex->point[0], vertex->point[1], vertex->point[2]);
            }
        }
        glEnd();
    }
}
