// The elongated sphere: an upper and a lower hemisphere three radii apart, joined by a band,
// sent in immediate mode with the sphere's unit normal at every vertex.
//
// The roundings below are deliberate and fixed: angles and points are worked out in double
// precision, but ring angles, the two steps and every normal are single precision, and a
// band's points take their z from the normal's single-precision cosine while the caps use
// the exact one. Changing any of them changes the bits the program hands to OpenGL.
#include "geometry/geometry.h"

#include <GL/glut.h>

#include <cmath>

namespace
{

// The shape has always used these seven-place values of pi and 2 pi.
constexpr double shape_pi = 3.1415926;
constexpr double shape_two_pi = 6.2831852;

// The upper hemisphere's centre sits two units above the radius; the lower one three radii
// below that.
constexpr double upper_centre_lift = 2.0;
constexpr double centre_spacing_in_radii = 3.0;

// Strip colours: 70 levels of 0.01 from 0.2, so every component lies in 0.2 .. 0.89.
constexpr int colour_levels = 70;
constexpr GLfloat colour_level_step = 0.01f;
constexpr GLfloat colour_floor = 0.2f;
constexpr GLfloat colour_alpha = 1.0f;

// What every vertex of one call needs.
struct Tessellation {
    double radius;
    GLfloat z_up; // z of the upper hemisphere's centre
    double shift; // how far below z_up the lower hemisphere's centre lies
    int slices;
    GLfloat azimuth_step;
};

// A ring of constant polar angle. In the bands cos_phi holds the single-precision cosine
// that is sent as the normal's z, so the point lies exactly along the normal it is sent with.
struct Ring {
    double sin_phi;
    double cos_phi;
};

struct Column {
    double sin_theta;
    double cos_theta;
};

Ring band_ring(double polar_angle)
{
    return {std::sin(polar_angle), static_cast<GLfloat>(std::cos(polar_angle))};
}

Ring cap_ring(double polar_angle)
{
    return {std::sin(polar_angle), std::cos(polar_angle)};
}

GLfloat ring_angle(int ring, GLfloat polar_step)
{
    return static_cast<GLfloat>(ring * static_cast<double>(polar_step));
}

// The last column is exactly the first, so every ring closes without a crack.
Column column_at(const Tessellation& shape, int column)
{
    const double azimuth =
        column == shape.slices ? 0.0 : column * static_cast<double>(shape.azimuth_step);
    return {std::sin(azimuth), std::cos(azimuth)};
}

// drop is 0 on the upper hemisphere and shift on the lower one.
void emit_vertex(const Tessellation& shape, const Ring& ring, const Column& column, double drop)
{
    const GLfloat nx = static_cast<GLfloat>(-column.sin_theta * ring.sin_phi);
    const GLfloat ny = static_cast<GLfloat>(column.cos_theta * ring.sin_phi);
    const GLfloat nz = static_cast<GLfloat>(ring.cos_phi);
    glNormal3f(nx, ny, nz);
    glVertex3f(static_cast<GLfloat>(shape.radius * nx), static_cast<GLfloat>(shape.radius * ny),
               static_cast<GLfloat>(shape.radius * ring.cos_phi - drop + shape.z_up));
}

// The sum and product are formed in double and rounded once.
void next_vertex_colour()
{
    GLfloat rgb[3];
    for (GLfloat& component : rgb) {
        const int level = next_colour_value() % colour_levels;
        component = static_cast<GLfloat>(level * static_cast<double>(colour_level_step) +
                                         static_cast<double>(colour_floor));
    }
    glColor4f(rgb[0], rgb[1], rgb[2], colour_alpha);
}

void emit_band(const Tessellation& shape, const Ring& first, double first_drop, const Ring& second,
               double second_drop)
{
    glBegin(GL_QUAD_STRIP);
    for (int j = 0; j <= shape.slices; ++j) {
        const Column column = column_at(shape, j);
        next_vertex_colour();
        emit_vertex(shape, first, column, first_drop);
        emit_vertex(shape, second, column, second_drop);
    }
    glEnd();
}

} // namespace

void draw_elongated_sphere(double radius, int slices, int stacks)
{
    if (slices < 1 || stacks < 1 || !std::isfinite(radius) || !(radius > 0.0))
        return;

    const GLfloat polar_step = static_cast<GLfloat>(shape_pi / stacks);
    const Tessellation shape{radius, static_cast<GLfloat>(radius + upper_centre_lift),
                             centre_spacing_in_radii * radius, slices,
                             static_cast<GLfloat>(shape_two_pi / slices)};
    const int middle_ring = (stacks - 1) / 2;

    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, static_cast<GLfloat>(shape.z_up + radius));
    const Ring top_ring = cap_ring(polar_step);
    for (int j = 0; j <= slices; ++j)
        emit_vertex(shape, top_ring, column_at(shape, j), 0.0);
    glEnd();

    // A band's second ring sits at the double sum of the two single values, not at the next
    // ring angle, which is what the bits of the shared rings depend on.
    for (int k = 1; k < middle_ring; ++k) {
        const GLfloat polar_angle = ring_angle(k, polar_step);
        emit_band(shape, band_ring(polar_angle), 0.0,
                  band_ring(static_cast<double>(polar_angle) + polar_step), 0.0);
    }

    const GLfloat middle_angle = ring_angle(middle_ring, polar_step);
    emit_band(shape, band_ring(middle_angle), 0.0,
              band_ring(static_cast<double>(middle_angle) + polar_step), shape.shift);

    // The lower series starts at the middle ring, so with an even stack count its first band
    // lies just inside the middle band.
    for (int i = middle_ring; i < stacks - 1; ++i) {
        const GLfloat polar_angle = ring_angle(i, polar_step);
        emit_band(shape, band_ring(polar_angle), shape.shift,
                  band_ring(static_cast<double>(polar_angle) + polar_step), shape.shift);
    }

    // Round the bottom ring the other way, so both caps wind counter-clockwise from outside.
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 0.0f, -1.0f);
    glVertex3f(0.0f, 0.0f, static_cast<GLfloat>(shape.z_up - shape.shift - radius));
    const Ring bottom_ring = cap_ring(shape_pi - polar_step);
    for (int j = slices; j >= 0; --j)
        emit_vertex(shape, bottom_ring, column_at(shape, j), shape.shift);
    glEnd();
}
