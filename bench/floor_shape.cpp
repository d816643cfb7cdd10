// Captures the calls of one real shape into interleaved arrays and replays them as arrays,
// which is as little as OpenGL 1.1 lets any program do to send the same vertices.
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

// The layout of GL_C4F_N3F_V3F: each vertex carries the colour and normal current when it
// was sent, as immediate mode would have it.
struct Vertex {
    GLfloat colour[4];
    GLfloat normal[3];
    GLfloat point[3];
};

struct Primitive {
    GLenum mode;
    GLint first;
    GLsizei count;
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
    primitives.push_back({mode, static_cast<GLint>(vertices.size()), 0});
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
}

void replay_elongated_sphere(double radius, int slices, int stacks)
{
    const Arguments arguments{radius, slices, stacks};
    if (!captured || arguments.radius != captured_for.radius ||
        arguments.slices != captured_for.slices || arguments.stacks != captured_for.stacks)
        capture(arguments);
    glInterleavedArrays(GL_C4F_N3F_V3F, 0, vertices.data());
    for (const Primitive& primitive : primitives)
        glDrawArrays(primitive.mode, primitive.first, primitive.count);
}
