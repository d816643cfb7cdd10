// The shape as a reviewer would check it: counts per tessellation, a worked example, the
// seams and the roundings that decide the bits.
#include "gl_double.h"

#include "geometry/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace
{

using gl_double::Call;

struct Primitive {
    GLenum mode;
    std::vector<Call> calls; // everything between glBegin and glEnd
};

std::vector<Primitive> draw(double radius, int slices, int stacks)
{
    gl_double::reset();
    seed_colours(100);
    draw_elongated_sphere(radius, slices, stacks);
    std::vector<Primitive> primitives;
    bool open = false;
    for (const Call& call : gl_double::calls()) {
        if (call.name == "glBegin") {
            EXPECT_FALSE(open) << "glBegin inside a primitive";
            primitives.push_back({static_cast<GLenum>(call.args[0]), {}});
            open = true;
        } else if (call.name == "glEnd") {
            EXPECT_TRUE(open) << "glEnd without glBegin";
            open = false;
        } else {
            EXPECT_TRUE(open) << call.name << " outside glBegin/glEnd";
            if (open)
                primitives.back().calls.push_back(call);
        }
    }
    EXPECT_FALSE(open) << "unterminated primitive";
    return primitives;
}

std::size_t count_in(const Primitive& primitive, const std::string& name)
{
    std::size_t n = 0;
    for (const Call& call : primitive.calls)
        n += call.name == name;
    return n;
}

struct Vertex {
    std::vector<double> normal;
    std::vector<double> point;
};

// Every vertex of a primitive with the normal current when it was sent.
std::vector<Vertex> vertices(const Primitive& primitive)
{
    std::vector<Vertex> found;
    std::vector<double> normal;
    for (const Call& call : primitive.calls) {
        if (call.name == "glNormal3f")
            normal = call.args;
        else if (call.name == "glVertex3f")
            found.push_back({normal, call.args});
    }
    return found;
}

void expect_near3(const std::vector<double>& actual, double x, double y, double z)
{
    ASSERT_EQ(actual.size(), 3u);
    EXPECT_NEAR(actual[0], x, 1e-6);
    EXPECT_NEAR(actual[1], y, 1e-6);
    EXPECT_NEAR(actual[2], z, 1e-6);
}

TEST(ElongatedSphere, FiftyByFiftyCounts)
{
    const auto primitives = draw(5.0, 50, 50);
    ASSERT_EQ(primitives.size(), 51u);
    EXPECT_EQ(primitives.front().mode, GLenum(GL_TRIANGLE_FAN));
    EXPECT_EQ(primitives.back().mode, GLenum(GL_TRIANGLE_FAN));
    for (const Primitive* fan : {&primitives.front(), &primitives.back()}) {
        EXPECT_EQ(count_in(*fan, "glVertex3f"), 52u);
        EXPECT_EQ(count_in(*fan, "glNormal3f"), 52u);
        EXPECT_EQ(count_in(*fan, "glColor4f"), 0u);
    }
    for (std::size_t i = 1; i + 1 < primitives.size(); ++i) {
        EXPECT_EQ(primitives[i].mode, GLenum(GL_QUAD_STRIP)) << "strip " << i;
        EXPECT_EQ(count_in(primitives[i], "glVertex3f"), 102u) << "strip " << i;
        EXPECT_EQ(count_in(primitives[i], "glNormal3f"), 102u) << "strip " << i;
        EXPECT_EQ(count_in(primitives[i], "glColor4f"), 51u) << "strip " << i;
    }
    // The surface runs from the top pole at z = 12 to the bottom pole at z = -13.
    EXPECT_EQ(vertices(primitives.front())[0].point[2], 12.0);
    EXPECT_EQ(vertices(primitives.back())[0].point[2], -13.0);
}

TEST(ElongatedSphere, WorkedExampleRadiusFiveFourSlicesSixStacks)
{
    const auto primitives = draw(5.0, 4, 6);
    // Top cap, one upper band, the middle band, three lower bands, bottom cap.
    ASSERT_EQ(primitives.size(), 7u);

    const auto top = vertices(primitives[0]);
    ASSERT_EQ(top.size(), 6u);
    expect_near3(top[0].normal, 0, 0, 1);
    expect_near3(top[0].point, 0, 0, 12);
    expect_near3(top[1].normal, 0, 0.5, 0.866025);
    expect_near3(top[1].point, 0, 2.5, 11.330127);
    EXPECT_TRUE(std::signbit(top[1].normal[0])) << "x at theta 0 is negative zero";
    EXPECT_TRUE(std::signbit(top[1].point[0]));
    // Increasing theta turns the direction from +y toward -x.
    EXPECT_LT(top[2].normal[0], -0.49);
    EXPECT_NEAR(top[2].normal[1], 0.0, 1e-6);

    const auto upper = vertices(primitives[1]);
    expect_near3(upper[0].point, 0, 2.5, 11.330127);
    expect_near3(upper[1].point, 0, 4.330127, 9.5);

    const auto middle = vertices(primitives[2]);
    expect_near3(middle[0].point, 0, 4.330127, 9.5);
    expect_near3(middle[1].point, 0, 5, -8);

    // The lower bands start at rings 2, 3 and 4 of the lower hemisphere (centre z = -8).
    for (int band = 0; band < 3; ++band) {
        const double polar_angle = (2 + band) * 3.1415926 / 6;
        const auto lower = vertices(primitives[3 + band]);
        expect_near3(lower[0].point, 0, 5 * std::sin(polar_angle), -8 + 5 * std::cos(polar_angle));
    }

    const auto bottom = vertices(primitives[6]);
    expect_near3(bottom[0].normal, 0, 0, -1);
    expect_near3(bottom[0].point, 0, 0, -13);
    expect_near3(bottom[1].normal, 0, 0.5, -0.866025);
    expect_near3(bottom[1].point, 0, 2.5, -12.330127);
    // The bottom fan runs round the ring the other way: from theta 0 to the last column, +x.
    EXPECT_GT(bottom[2].normal[0], 0.49);
    expect_near3(bottom[5].point, 0, 2.5, -12.330127);
}

TEST(ElongatedSphere, SmallStackCountsPlaceTheBandsAsSpecified)
{
    // stacks 3: no upper band; middle band from ring 1, one lower band from ring 1.
    const auto three = draw(5.0, 8, 3);
    ASSERT_EQ(three.size(), 4u);
    const double step3 = static_cast<float>(3.1415926 / 3);
    EXPECT_NEAR(vertices(three[1])[0].normal[2], std::cos(step3), 1e-7);
    EXPECT_NEAR(vertices(three[2])[0].normal[2], std::cos(step3), 1e-7);
    EXPECT_NEAR(vertices(three[2])[1].normal[2], std::cos(2 * step3), 1e-6);

    // stacks 4: middle band from ring 1, lower bands from rings 1 and 2.
    const auto four = draw(5.0, 8, 4);
    ASSERT_EQ(four.size(), 5u);
    const double step4 = static_cast<float>(3.1415926 / 4);
    EXPECT_NEAR(vertices(four[2])[0].normal[2], std::cos(step4), 1e-7);
    EXPECT_NEAR(vertices(four[3])[0].normal[2], std::cos(2 * step4), 1e-7);
}

TEST(ElongatedSphere, RingsCloseExactlyOnTheSeam)
{
    for (const auto& primitive : draw(5.0, 50, 50)) {
        const auto vs = vertices(primitive);
        const bool fan = primitive.mode == GL_TRIANGLE_FAN;
        // A fan's first vertex is its pole; a strip's ring pairs are its first and last two.
        const std::size_t first = fan ? 1 : 0;
        const std::size_t per_column = fan ? 1 : 2;
        for (std::size_t k = 0; k < per_column; ++k) {
            const Vertex& a = vs[first + k];
            const Vertex& b = vs[vs.size() - per_column + k];
            EXPECT_EQ(a.point, b.point);
            EXPECT_EQ(a.normal, b.normal);
            EXPECT_EQ(std::signbit(a.point[0]), std::signbit(b.point[0]));
        }
    }
}

TEST(ElongatedSphere, BandsBuildZFromTheRoundedCosineAndCapsFromTheExactOne)
{
    const auto primitives = draw(5.0, 50, 50);
    // Each vertex's x and y are the radius times the single normal, rounded once.
    for (const auto& primitive : primitives)
        for (const Vertex& v : vertices(primitive)) {
            EXPECT_EQ(v.point[0], static_cast<float>(5.0 * v.normal[0]));
            EXPECT_EQ(v.point[1], static_cast<float>(5.0 * v.normal[1]));
        }

    // In a band the point lies exactly along the normal it is sent with.
    for (std::size_t i = 1; i + 1 < primitives.size(); ++i) {
        const auto vs = vertices(primitives[i]);
        const bool middle = i == 24;
        for (std::size_t n = 0; n < vs.size(); ++n) {
            const bool lower = i > 24 || (middle && n % 2 == 1);
            const double expected =
                lower ? 5.0 * vs[n].normal[2] - 15.0 + 7.0f : 7.0f + 5.0 * vs[n].normal[2];
            ASSERT_EQ(vs[n].point[2], static_cast<float>(expected))
                << "strip " << i << " vertex " << n;
        }
    }

    // The caps take the exact cosine instead. With 20 stacks the top cap's ring rounds
    // differently from a point built on the rounded cosine, so this check tells them apart.
    const auto capped = draw(5.0, 8, 20);
    const double cap_angle = static_cast<float>(3.1415926 / 20);
    const float exact = static_cast<float>(7.0f + 5.0 * std::cos(cap_angle));
    const float via_normal =
        static_cast<float>(7.0f + 5.0 * static_cast<float>(std::cos(cap_angle)));
    ASSERT_NE(exact, via_normal);
    const auto top_cap = vertices(capped.front());
    for (std::size_t n = 1; n < top_cap.size(); ++n)
        EXPECT_EQ(top_cap[n].point[2], exact) << "top cap vertex " << n;
}

TEST(ElongatedSphere, SecondRingOfABandIsTheDoubleSumOfTwoSingles)
{
    // The k-th upper band's second ring is float(k*step) + step in double, which differs from
    // (k+1)*step rounded to single for some k; both show up as the sent normal's z.
    const auto primitives = draw(5.0, 50, 50);
    const float polar_step = static_cast<float>(3.1415926 / 50);
    int discriminating = 0;
    for (int k = 1; k < 24; ++k) {
        const float ring = static_cast<float>(k * static_cast<double>(polar_step));
        const double second = static_cast<double>(ring) + polar_step;
        const float expected_z = static_cast<float>(std::cos(second));
        const float next_ring_z = static_cast<float>(
            std::cos(static_cast<float>((k + 1) * static_cast<double>(polar_step))));
        discriminating += expected_z != next_ring_z;
        EXPECT_EQ(vertices(primitives[k])[1].normal[2], expected_z) << "band " << k;
    }
    EXPECT_GT(discriminating, 0) << "no band tells the two rules apart";
}

TEST(ElongatedSphere, StripColoursFollowTheSeededGenerator)
{
    const auto primitives = draw(5.0, 50, 50);
    const Call& first = primitives[1].calls.front();
    ASSERT_EQ(first.name, "glColor4f");
    EXPECT_EQ(first.args, (std::vector<double>{0.35f, 0.46f, 0.45f, 1.0f}));
    for (std::size_t i = 1; i + 1 < primitives.size(); ++i)
        for (const Call& call : primitives[i].calls)
            if (call.name == "glColor4f") {
                for (int c = 0; c < 3; ++c) {
                    EXPECT_GE(call.args[c], 0.2f);
                    EXPECT_LE(call.args[c], 0.89f + 1e-6);
                }
                EXPECT_EQ(call.args[3], 1.0);
            }
}

TEST(ElongatedSphere, RejectsArgumentsItCannotTessellate)
{
    for (const auto& [radius, slices, stacks] :
         std::vector<std::tuple<double, int, int>>{{5.0, 0, 50},
                                                   {5.0, 50, 0},
                                                   {5.0, -3, 50},
                                                   {0.0, 50, 50},
                                                   {-5.0, 50, 50},
                                                   {NAN, 50, 50},
                                                   {INFINITY, 50, 50},
                                                   {5.0, max_slices + 1, 4}}) {
        EXPECT_TRUE(draw(radius, slices, stacks).empty())
            << radius << " " << slices << " " << stacks;
    }
    // The smallest counts still draw a closed, balanced stream.
    EXPECT_EQ(draw(1.0, 1, 1).size(), 3u);
    // The largest slice count still draws every ring, closed on its first column.
    const auto widest = draw(5.0, max_slices, 4);
    ASSERT_EQ(widest.size(), 5u);
    const auto top = vertices(widest.front());
    ASSERT_EQ(top.size(), std::size_t{max_slices} + 2);
    EXPECT_EQ(top[1].point, top.back().point);
}

TEST(ColourGeneratorDeathTest, AFreshProgramStartsFromStateOne)
{
    // The threadsafe style re-runs the binary, so the child's generator is untouched.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const int a = next_colour_value();
            const int b = next_colour_value();
            const int c = next_colour_value();
            std::fprintf(stderr, "values %d %d %d\n", a, b, c);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "values 41 18467 6334");
}

TEST(ColourGenerator, SequenceAfterSeedingAndAcrossTheWrap)
{
    seed_colours(100);
    EXPECT_EQ(next_colour_value(), 365);
    EXPECT_EQ(next_colour_value(), 1216);
    EXPECT_EQ(next_colour_value(), 5415);

    // Values stay in 0..32767 across the state's wrap.
    seed_colours(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        const int v = next_colour_value();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(ColourGenerator, ReseedingRepeatsTheColoursAndNotReseedingContinues)
{
    const auto colours = [] {
        std::vector<std::vector<double>> found;
        for (const Call& call : gl_double::calls_named("glColor4f"))
            found.push_back(call.args);
        return found;
    };
    draw(5.0, 10, 10);
    const auto first = colours();
    draw(5.0, 10, 10);
    EXPECT_EQ(colours(), first);

    gl_double::reset();
    draw_elongated_sphere(5.0, 10, 10); // continues after the previous call
    EXPECT_NE(colours(), first);
}

} // namespace
