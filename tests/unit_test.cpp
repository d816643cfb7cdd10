// The program's own code against the recording double.
#include "gl_double.h"

#include "app/app.h"
#include "geometry/geometry.h"
#include "render/render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace
{

using Args = std::vector<double>;

// A listing in tests/data, written by an independent model of the calls (docs/testing.md), never
// by this program. The line "= shape" stands for the 50 x 50 shape's calls in shape_calls.txt.
void read_listing(const std::string& name, std::vector<std::string>& lines)
{
    std::ifstream file(VORLANE_TEST_DATA + name);
    EXPECT_TRUE(file) << "cannot read " << VORLANE_TEST_DATA << name;
    for (std::string line; std::getline(file, line);)
        if (line == "= shape")
            read_listing("shape_calls.txt", lines);
        else
            lines.push_back(line);
}

// The calls since the reset, against a listing; where they part, the first call that differs
// and three calls either side, each with its index.
void expect_calls_as_listed(const std::string& name)
{
    std::vector<std::string> want;
    read_listing(name, want);
    const auto got = gl_double::calls();
    std::size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at].line)
        ++at;
    testing::Message report;
    report << name << ": " << want.size() << " calls listed, " << got.size()
           << " made; the first that differs is at index " << at << " (- listed, + made):\n";
    for (std::size_t i = at > 3 ? at - 3 : 0; i < at + 4; ++i) {
        const std::string w = i < want.size() ? want[i] : "(none)";
        const std::string g = i < got.size() ? got[i].line : "(none)";
        report << (w == g ? "  " : "- ") << i << "  " << w << "\n"
               << (w == g ? "" : "+ " + std::to_string(i) + "  " + g + "\n");
    }
    EXPECT_TRUE(at == want.size() && at == got.size()) << report;
}

std::vector<Args> calls_of(std::string_view name)
{
    std::vector<Args> found;
    for (const auto& call : gl_double::calls())
        if (call.name == name)
            found.push_back({call.args, call.args + call.count});
    return found;
}

void frame_at(std::uint32_t now)
{
    gl_double::clock_ms = now;
    on_display();
}

// Every test starts as the program does, whatever ran before it in this process.
struct FromStart : testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        gl_double::reset();
        start_animation();
        gl_double::reset(); // the clock's reading
    }
};
bool from_start = (testing::UnitTest::GetInstance()->listeners().Append(new FromStart), true);

TEST(Calls, StartUpThreeFramesAndTheHandlersSendTheModelsCalls)
{
    gl_double::clock_ms = 1000;
    char name[] = "vorlane", *argv[] = {name, nullptr};
    run_program(1, argv);
    on_reshape(700, 700);
    on_visibility(GLUT_VISIBLE);
    on_idle();
    for (const std::uint32_t now : {1000, 1006, 1009})
        frame_at(now);
    on_keyboard('a', 0, 0);
    on_reshape(700, 300);
    on_reshape(640, 0);
    on_visibility(GLUT_NOT_VISIBLE);
    on_visibility(7);
    expect_calls_as_listed("startup_calls.txt");
}

TEST(Window, OnAnOddScreenSmallerThanItselfEachHalfIsTruncatedOnItsOwn)
{
    // 699 / 2 - 350 is -1, where (699 - 700) / 2 would truncate to 0; likewise -51 and -50.
    gl_double::screen_width = 699, gl_double::screen_height = 599;
    open_centred_window();
    EXPECT_EQ(calls_of("glutInitWindowPosition"), (std::vector<Args>{{-1, -51}}));
}

// The shape's primitives, each as its vertices: the normal, then the point.
std::vector<std::vector<Args>> draw(double radius, int slices, int stacks)
{
    gl_double::reset();
    draw_elongated_sphere(radius, slices, stacks);
    std::vector<std::vector<Args>> shape;
    Args vertex(6);
    for (const auto& call : gl_double::calls()) {
        const std::string_view name = call.name;
        if (name == "glBegin")
            shape.emplace_back();
        if (name == "glNormal3f" || name == "glVertex3f")
            std::copy_n(call.args, 3, vertex.begin() + (name == "glVertex3f" ? 3 : 0));
        if (name == "glVertex3f")
            shape.back().push_back(vertex);
    }
    return shape;
}

TEST(Shape, WorkedExampleRadiusFiveFourSlicesSixStacks)
{
    const auto shape = draw(5.0, 4, 6);
    // Top cap, one upper band, the middle band, lower bands from rings 2, 3 and 4, bottom cap.
    ASSERT_EQ(shape.size(), 7u);
    const double s = 0.866025;
    // clang-format off
    const std::tuple<int, int, Args> expected[] = {
        {0, 0, {0, 0, 1, 0, 0, 12}},             {0, 1, {0, 0.5, s, 0, 2.5, 11.330127}},
        {1, 0, {0, 0.5, s, 0, 2.5, 11.330127}},  {1, 1, {0, s, 0.5, 0, 4.330127, 9.5}},
        {2, 0, {0, s, 0.5, 0, 4.330127, 9.5}},   {2, 1, {0, 1, 0, 0, 5, -8}},
        {3, 0, {0, s, 0.5, 0, 4.330127, -5.5}},  {4, 0, {0, 1, 0, 0, 5, -8}},
        {5, 0, {0, s, -0.5, 0, 4.330127, -10.5}}, {6, 0, {0, 0, -1, 0, 0, -13}},
        {6, 1, {0, 0.5, -s, 0, 2.5, -12.330127}}};
    // clang-format on
    for (const auto& [p, v, want] : expected) // primitive, vertex, coordinate
        for (int c = 0; c < 6; ++c)
            EXPECT_NEAR(shape[p][v][c], want[c], 1e-6) << p << " " << v << " " << c;
    EXPECT_TRUE(std::signbit(shape[0][1][3])) << "x at theta 0 is negative zero";
}

TEST(Shape, CapsTakeTheExactCosineAndArgumentsThatCannotBeTessellatedDrawNothing)
{
    // With 20 stacks the cap's ring rounds otherwise than on the cosine rounded to single.
    const double polar_step = static_cast<float>(3.1415926 / 20);
    const float exact = static_cast<float>(7.0 + 5.0 * std::cos(polar_step));
    ASSERT_NE(exact, static_cast<float>(7.0 + 5.0 * static_cast<float>(std::cos(polar_step))));
    EXPECT_EQ(draw(5.0, 8, 20)[0][1][5], exact);
    for (const auto& [radius, slices, stacks] :
         {std::tuple{5.0, 0, 50}, {5.0, 50, 0}, {0.0, 50, 50}, {NAN, 50, 50}, {5.0, 1025, 4}})
        EXPECT_TRUE(draw(radius, slices, stacks).empty()) << slices << " " << stacks;
    EXPECT_EQ(draw(5.0, max_slices, 3).size(), 4u);
}

TEST(Animation, StepsOnlyMoreThanFiveMillisecondsApartDriftsUnclampedAndAllocatesNothing)
{
    // Frames 3, 5 and 6 ms after the last step, across the clock's wrap, a gap of 2^31 ms and one
    // that reads as negative, then 800 steps 6 ms apart: past 300 degrees, and a whole turn.
    gl_double::clock_ms = 0xFFFFFFE0u;
    start_animation();
    gl_double::reset(); // the listing has the frames alone
    gl_double::skip_shape = true;
    for (const std::uint32_t now : {0xFFFFFFE3u, 0xFFFFFFE5u, 0xFFFFFFE6u, 0xFFFFFFECu, 0xFFFFFFF2u,
                                    0xFFFFFFF8u, 0xFFFFFFFEu, 0x4u, 0x80000004u, 0xFFFFFFF4u})
        frame_at(now);
    for (std::uint32_t k = 0; k <= 800; ++k)
        frame_at(10 + 6 * k);
    EXPECT_EQ(gl_double::allocations, 0u);
    expect_calls_as_listed("animation_calls.txt");
}

TEST(Animation, TurnsHalfADegreePerStepAndDriftsOnPastWhereASingleAngleWouldStop)
{
    // 400 steps from 16 short of 2^23 degrees, where a single's half degree more rounds back.
    gl_double::skip_shape = true;
    start_animation(8388600.0f);
    for (int frame = 0; frame < 400; ++frame)
        frame_at(gl_double::clock_ms + 6);
    const auto angles = calls_of("glRotatef");
    for (std::size_t k = 1; k < angles.size(); ++k) {
        ASSERT_EQ(std::remainder(angles[k][0] - angles[k - 1][0], 360.0), 0.5) << angles[k][0];
        ASSERT_LT(angles[k][0], 720.0);
    }
    EXPECT_NEAR(calls_of("glMaterialfv").back()[2], 0.2, 1e-5) << "the diffuse's red";
    start_animation(49999.5f); // afresh: the 100,000th step is as it always was
    frame_at(gl_double::clock_ms + 6);
    frame_at(gl_double::clock_ms + 6);
    EXPECT_EQ(calls_of("glRotatef").back()[0], 50000.0);
}

// Node runs no second process, so these run natively and under Wine only.
#if GTEST_HAS_DEATH_TEST
TEST(ExitDeathTest, EscapeExitsZeroAtOnceAnErrorShowsTheNoticeThenExitsOneWithoutSwapping)
{
    // With every call echoed, the child must make no call but the ending on Escape, and end right
    // after the notice. Each child sets its double up itself, so this process's stays as it was.
    EXPECT_EXIT((gl_double::echo = true, on_keyboard(27, 0, 0)), testing::ExitedWithCode(0),
                "^end_program 0\\s*$");
    for (const auto& [error, text] :
         {std::pair{GL_INVALID_OPERATION, "invalid operation"}, {0x9999, "unknown OpenGL error"}})
        EXPECT_EXIT((gl_double::echo = true, gl_double::next_error = error, on_display()),
                    testing::ExitedWithCode(1),
                    "notice \"" + std::string(text) + "\"\\s*end_program 1\\s*$");
}
#endif

} // namespace
