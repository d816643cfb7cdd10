// The elongated sphere: an upper and a lower hemisphere three radii apart, joined by a band,
// sent in immediate mode with the sphere's unit normal at every vertex.
//
// The roundings below are deliberate and fixed: angles and points are worked out in double
// precision, but ring angles, the two steps and every normal are single precision, and a
// band's points take their z from the normal's single-precision cosine while the caps use
// the exact one. Changing any of them changes the bits the program hands to OpenGL.
//
// Everything is worked out afresh on every call, but each sine and cosine only once: those of
// a ring's polar angle once per band, those of a column's azimuth once per call, in a table
// on the stack. What is left per vertex is two products for the normal and two for the point.
#include "geometry/geometry.h"

#include <GL/glut.h>

#include <array>
#include <cmath>
#include <span>

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

// The azimuth table lives on the stack (16 bytes a column); beyond this many slices, far more
// than a window has pixels round the shape, nothing is drawn.
constexpr int max_columns = max_slices + 1;

struct Column {
    double sin_theta;
    double cos_theta;
};

// What every vertex of a ring shares: the sine of its polar angle, the z of its normal and
// the z of its points.
struct Ring {
    double sin_phi;
    GLfloat normal_z;
    GLfloat z;
};

struct Hemisphere {
    double radius;
    GLfloat z_up; // z of the upper hemisphere's centre
    double drop;  // 0 on the upper hemisphere, how far below z_up the lower centre lies on
                  // the lower one
};

// The exact cosine gives the point's z; the caps use it as it is.
Ring cap_ring(const Hemisphere& side, double polar_angle)
{
    const double cos_phi = std::cos(polar_angle);
    return {std::sin(polar_angle), static_cast<GLfloat>(cos_phi),
            static_cast<GLfloat>(side.radius * cos_phi - side.drop + side.z_up)};
}

// A band's point lies exactly along the normal it is sent with: its z comes from the
// single-precision cosine.
Ring band_ring(const Hemisphere& side, double polar_angle)
{
    const GLfloat cos_phi = static_cast<GLfloat>(std::cos(polar_angle));
    return {std::sin(polar_angle), cos_phi,
            static_cast<GLfloat>(side.radius * cos_phi - side.drop + side.z_up)};
}

GLfloat ring_angle(int ring, GLfloat polar_step)
{
    return static_cast<GLfloat>(ring * static_cast<double>(polar_step));
}

// The last column is exactly the first, so every ring closes without a crack.
std::span<const Column> fill_columns(std::array<Column, max_columns>& table, int slices,
                                     GLfloat azimuth_step)
{
    for (int j = 0; j < slices; ++j) {
        const double azimuth = j * static_cast<double>(azimuth_step);
        table[j] = {std::sin(azimuth), std::cos(azimuth)};
    }
    table[slices] = table[0];
    return {table.data(), static_cast<std::size_t>(slices) + 1};
}

void emit_vertex(double radius, const Ring& ring, const Column& column)
{
    const GLfloat nx = static_cast<GLfloat>(-column.sin_theta * ring.sin_phi);
    const GLfloat ny = static_cast<GLfloat>(column.cos_theta * ring.sin_phi);
    glNormal3f(nx, ny, ring.normal_z);
    glVertex3f(static_cast<GLfloat>(radius * nx), static_cast<GLfloat>(radius * ny), ring.z);
}

// The sum and product are formed in double and rounded once. The colour never shows: lighting is
// on and colour-material tracking off, so the material alone colours the shape. The call stays,
// as these calls are the program's own and always have been.
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

void emit_band(double radius, std::span<const Column> columns, const Ring& first,
               const Ring& second)
{
    glBegin(GL_QUAD_STRIP);
    for (const Column& column : columns) {
        next_vertex_colour();
        emit_vertex(radius, first, column);
        emit_vertex(radius, second, column);
    }
    glEnd();
}

// A band's second ring sits at the double sum of the two single values, not at the next
// ring angle, which is what the bits of the shared rings depend on.
void emit_band_from(double radius, std::span<const Column> columns, const Hemisphere& first_side,
                    const Hemisphere& second_side, int ring, GLfloat polar_step)
{
    const GLfloat polar_angle = ring_angle(ring, polar_step);
    emit_band(radius, columns, band_ring(first_side, polar_angle),
              band_ring(second_side, static_cast<double>(polar_angle) + polar_step));
}

} // namespace

void draw_elongated_sphere(double radius, int slices, int stacks)
{
    if (slices < 1 || slices > max_slices || stacks < 1 || !std::isfinite(radius) ||
        !(radius > 0.0))
        return;

    const GLfloat polar_step = static_cast<GLfloat>(shape_pi / stacks);
    const GLfloat azimuth_step = static_cast<GLfloat>(shape_two_pi / slices);
    const GLfloat z_up = static_cast<GLfloat>(radius + upper_centre_lift);
    const Hemisphere upper{radius, z_up, 0.0};
    const Hemisphere lower{radius, z_up, centre_spacing_in_radii * radius};
    const int middle_ring = (stacks - 1) / 2;

    std::array<Column, max_columns> table;
    const std::span<const Column> columns = fill_columns(table, slices, azimuth_step);

    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, static_cast<GLfloat>(z_up + radius));
    const Ring top_ring = cap_ring(upper, polar_step);
    for (const Column& column : columns)
        emit_vertex(radius, top_ring, column);
    glEnd();

    for (int k = 1; k < middle_ring; ++k)
        emit_band_from(radius, columns, upper, upper, k, polar_step);

    emit_band_from(radius, columns, upper, lower, middle_ring, polar_step);

    // The lower series starts at the middle ring, so with an even stack count its first band
    // lies just inside the middle band.
    for (int i = middle_ring; i < stacks - 1; ++i)
        emit_band_from(radius, columns, lower, lower, i, polar_step);

    // Round the bottom ring the other way, so both caps wind counter-clockwise from outside.
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 0.0f, -1.0f);
    glVertex3f(0.0f, 0.0f, static_cast<GLfloat>(z_up - lower.drop - radius));
    const Ring bottom_ring = cap_ring(lower, shape_pi - polar_step);
    for (auto column = columns.rbegin(); column != columns.rend(); ++column)
        emit_vertex(radius, bottom_ring, *column);
    glEnd();
}
