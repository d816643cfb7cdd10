// The floor's shape: the calls of one real shape captured into arrays on the first frame, then
// the very same immediate-mode calls replayed from them on every frame, with none of the
// program's own work, which no immediate-mode program can beat.
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
    std::size_t first;
    std::size_t end;
    bool coloured_pairs;
};

// OpenGL's initial current colour and normal.
Vertex current{{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, {}};
std::vector<Vertex> vertices;
std::vector<Primitive> primitives;

void send(const Vertex& vertex)
{
    glNormal3f(vertex.normal[0], vertex.normal[1], vertex.normal[2]);
    glVertex3f(vertex.point[0], vertex.point[1], vertex.point[2]);
}

} // namespace

void capture_begin(GLenum mode)
{
    primitives.push_back({mode, vertices.size(), vertices.size(), false});
}

void capture_end()
{
    primitives.back().end = vertices.size();
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

// Stands in for draw_elongated_sphere in the floor's frame; the program always asks for the
// same shape, so the first call's capture serves every frame.
void replay_elongated_sphere(double radius, int slices, int stacks)
{
    if (primitives.empty())
        capture_elongated_sphere(radius, slices, stacks);
    // A loop of its own for each kind, so that no test is left in the floor's vertex path.
    for (const Primitive& primitive : primitives) {
        glBegin(primitive.mode);
        if (primitive.coloured_pairs) {
            for (std::size_t n = primitive.first; n < primitive.end; n += 2) {
                const GLfloat* colour = vertices[n].colour;
                glColor4f(colour[0], colour[1], colour[2], colour[3]);
                send(vertices[n]);
                send(vertices[n + 1]);
            }
        } else {
            for (std::size_t n = primitive.first; n < primitive.end; ++n)
                send(vertices[n]);
        }
        glEnd();
    }
}
