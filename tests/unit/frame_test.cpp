// A frame's call order, the animation step on a fake clock, and the error path.
#include "gl_double.h"

#include "render/render.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

using gl_double::Call;
using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

// The animation state lives for the whole program, so every test that depends on its
// starting values runs in a child process of its own.
class FrameDeathTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

// Runs one frame at the given clock and returns its calls.
std::vector<Call> frame_at(std::uint32_t now)
{
    gl_double::reset();
    fake_platform::set_clock(now);
    on_display();
    return gl_double::calls();
}

std::vector<Call> named(const std::vector<Call>& calls, const std::string& name)
{
    std::vector<Call> found;
    for (const Call& call : calls)
        if (call.name == name)
            found.push_back(call);
    return found;
}

TEST(Frame, CallsHappenInOrder)
{
    last_tick = 0;
    const auto calls = frame_at(100);
    std::vector<std::string> outline;
    for (const Call& call : calls)
        if (call.name != "glNormal3f" && call.name != "glVertex3f" && call.name != "glColor4f" &&
            call.name != "glBegin" && call.name != "glEnd")
            outline.push_back(call.name);
    EXPECT_EQ(outline, (std::vector<std::string>{"glClear", "glLoadIdentity", "glTranslatef",
                                                 "glRotatef", "glMaterialfv", "glMaterialfv",
                                                 "glGetError", "glutSwapBuffers"}));
    EXPECT_EQ(calls[0].args[0], double(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(calls[2].args, (std::vector<double>{0, 0, -26}));
    EXPECT_EQ(std::vector<double>(calls[3].args.begin() + 1, calls[3].args.end()),
              (std::vector<double>{1, 1, 1}));
    // The shape comes between the rotation and the step: 51 primitives.
    EXPECT_EQ(named(calls, "glBegin").size(), 51u);
    EXPECT_EQ(calls[4].name, "glBegin");
    // Reseeded every frame: the first strip colour is the same in every frame.
    EXPECT_EQ(named(calls, "glColor4f")[0].args, named(frame_at(200), "glColor4f")[0].args);
}

TEST(Frame, StepsOnlyWhenMoreThanFiveMillisecondsHavePassed)
{
    last_tick = 1000;
    EXPECT_EQ(named(frame_at(1003), "glMaterialfv").size(), 0u) << "3 ms";
    EXPECT_EQ(named(frame_at(1005), "glMaterialfv").size(), 0u) << "exactly 5 ms";
    const float angle = named(frame_at(1006), "glRotatef")[0].args[0];
    const auto stepped = gl_double::calls_named("glMaterialfv");
    ASSERT_EQ(stepped.size(), 2u) << "6 ms";
    EXPECT_EQ(stepped[0].args[1], double(GL_EMISSION));
    EXPECT_EQ(stepped[1].args[1], double(GL_DIFFUSE));
    EXPECT_EQ(stepped[0].args[0], double(GL_FRONT));
    // The step shows in the next frame's rotation, not in its own; 3 ms later nothing steps.
    EXPECT_EQ(named(frame_at(1009), "glRotatef")[0].args[0], angle + 0.5f);
    EXPECT_EQ(gl_double::count("glMaterialfv"), 0u);
}

TEST(Frame, ElapsedTimeWrapsAcrossTheCounterAndReadsAsSigned)
{
    last_tick = 0xFFFFFFFEu;
    EXPECT_EQ(named(frame_at(4), "glMaterialfv").size(), 2u) << "6 ms across the wrap";
    EXPECT_EQ(last_tick, 4u);

    // 2^31 ms or more reads as negative: no step until the counter comes round.
    EXPECT_EQ(named(frame_at(4 + 0x80000000u), "glMaterialfv").size(), 0u);
    EXPECT_EQ(named(frame_at(4 + 0xFFFFFFF0u), "glMaterialfv").size(), 0u);
    EXPECT_EQ(named(frame_at(4 + 6), "glMaterialfv").size(), 2u);
}

// 600 steps of 6 ms from a fresh start, then one more; exits 0 when every value is right.
[[noreturn]] void step_past_the_threshold()
{
    std::uint32_t now = 0;
    last_tick = now;
    std::vector<Call> step;
    for (int i = 0; i < 600; ++i)
        step = named(frame_at(now += 6), "glMaterialfv");
    const float angle_600 = named(frame_at(now), "glRotatef")[0].args[0];
    const float emission_600 = step[0].args[4];
    const std::vector<double> diffuse_600(step[1].args.begin() + 2, step[1].args.end());
    step = named(frame_at(now += 6), "glMaterialfv");
    const float angle_601 = named(frame_at(now), "glRotatef")[0].args[0];
    const std::vector<double> diffuse_601(step[1].args.begin() + 2, step[1].args.end());
    const bool ok = angle_600 == 300.0f && std::fabs(emission_600 - 0.299998f) < 1e-6f &&
                    diffuse_600 == std::vector<double>{0, 1, 0, 0} && angle_601 == 300.5f &&
                    diffuse_601 == std::vector<double>{0.0005f, 0.9995f, 0, 0} &&
                    step[0].args[2] == 0.3f && step[0].args[3] == 0.3f;
    std::fprintf(stderr, "angle %.9g emission %.9g diffuse %.9g %.9g\n", angle_601, emission_600,
                 diffuse_601[0], diffuse_601[1]);
    std::exit(ok ? 0 : 3);
}

TEST_F(FrameDeathTest, SixHundredStepsThenTheDiffuseStartsToDrift)
{
    EXPECT_EXIT(step_past_the_threshold(), testing::ExitedWithCode(0),
                "angle 300.5 emission 0.29999.* diffuse 0.000500000024 0.999499977");
}

TEST_F(FrameDeathTest, AnErrorShowsTheNoticeAndExitsWithoutSwapping)
{
    EXPECT_EXIT(
        {
            gl_double::reset();
            gl_double::set_echo(true);
            gl_double::set_next_error(GL_INVALID_OPERATION);
            on_display();
        },
        testing::ExitedWithCode(1),
        AllOf(HasSubstr("notice: invalid operation"), Not(HasSubstr("swap"))));
    // An error code GLU has no text for still gives a readable notice.
    EXPECT_EXIT(
        {
            gl_double::reset();
            gl_double::set_next_error(0x9999);
            on_display();
        },
        testing::ExitedWithCode(1), "notice: unknown OpenGL error");
}

TEST(Frame, ACleanFrameShowsNoNotice)
{
    fake_platform::reset();
    frame_at(0);
    EXPECT_TRUE(fake_platform::notices().empty());
    EXPECT_EQ(gl_double::count("glutSwapBuffers"), 1u);
}

} // namespace
