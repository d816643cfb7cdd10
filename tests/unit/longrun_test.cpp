// Weeks of running, compressed: 2^24 animation steps and more through the real frame code.
// The shape and OpenGL are replaced at link time by stand-ins that draw nothing and only
// watch what each frame hands over, so the whole run takes about a second.
#include "geometry/geometry.h"
#include "platform/platform.h"
#include "render/render.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace
{

constexpr long steps_to_the_limit = 1L << 24;
// Frames run on after the angle has stopped, to see that it stays stopped.
constexpr long frames_past_the_limit = 1000;
constexpr std::uint32_t frame_interval_ms = 6;
constexpr float angle_limit = 8388608.0f; // 2^23: adding half a degree rounds back to it
constexpr float angle_step = 0.5f;
constexpr float colour_step = 0.0005f;

// What the stand-ins saw over the whole run.
struct Watch {
    std::uint32_t clock = 0;
    long frames = 0;
    long not_finite = 0;      // arguments handed to OpenGL that were NaN or infinite
    long bad_angle_moves = 0; // frame-to-frame angle changes other than +0.5, or 0 at 2^23
    long frames_at_limit = 0;
    float angle = 0.0f;
    float angle_before_limit = 0.0f; // the angle of the frame just before it first hit 2^23
    long material_steps = 0;
    long emission_not_rising = 0;
    long diffuse_not_drifting = 0; // red failed to rise or green to fall past the threshold
    GLfloat emission[4] = {0.3f, 0.3f, 0.0f, 0.0f};
    GLfloat diffuse[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    float emission_at_2000 = 0.0f;
    long errors_reported = 0;
};

Watch watch;

void check_finite(std::initializer_list<GLfloat> values)
{
    for (const GLfloat value : values)
        if (!std::isfinite(value))
            ++watch.not_finite;
}

void check_material(GLenum name, const GLfloat* params)
{
    check_finite({params[0], params[1], params[2], params[3]});
    if (name == GL_EMISSION) {
        ++watch.material_steps;
        if (!(params[2] > watch.emission[2]))
            ++watch.emission_not_rising;
        std::copy(params, params + 4, watch.emission);
        if (watch.material_steps == 2000)
            watch.emission_at_2000 = params[2];
    } else if (name == GL_DIFFUSE) {
        // From the 601st step on (angle past 300) red rises and green falls at every step.
        const bool past_threshold = watch.material_steps > 600;
        const bool drifted = params[0] > watch.diffuse[0] && params[1] < watch.diffuse[1];
        const bool unchanged = params[0] == watch.diffuse[0] && params[1] == watch.diffuse[1];
        if (past_threshold ? !drifted : !unchanged)
            ++watch.diffuse_not_drifting;
        std::copy(params, params + 4, watch.diffuse);
    }
}

// From a fresh start, one frame per 6 ms so that every frame takes a step, up to the angle's
// limit and on past it.
void run_past_the_limit()
{
    last_tick = watch.clock;
    for (long i = 0; i < steps_to_the_limit + frames_past_the_limit; ++i) {
        watch.clock += frame_interval_ms;
        on_display();
    }
}

} // namespace

// Stand-ins for the shape and the platform.
void draw_elongated_sphere(double, int, int) {}
void seed_colours(std::uint32_t) {}
std::uint32_t read_millisecond_clock()
{
    return watch.clock;
}
void show_error_notice(const char*)
{
    ++watch.errors_reported;
}

// Stand-ins for what a frame calls in OpenGL, GLU and GLUT.
void glClear(GLbitfield) {}
void glLoadIdentity() {}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    check_finite({x, y, z});
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    check_finite({angle, x, y, z});
    ++watch.frames;
    const bool first = watch.frames == 1;
    const bool moved = angle == watch.angle + angle_step;
    const bool held = angle == angle_limit && watch.angle == angle_limit;
    if (!first && !moved && !held)
        ++watch.bad_angle_moves;
    if (angle == angle_limit) {
        if (watch.frames_at_limit == 0)
            watch.angle_before_limit = watch.angle;
        ++watch.frames_at_limit;
    }
    watch.angle = angle;
}
void glMaterialfv(GLenum face, GLenum name, const GLfloat* params)
{
    if (face == GL_FRONT)
        check_material(name, params);
}
GLenum glGetError()
{
    return GL_NO_ERROR;
}
const GLubyte* gluErrorString(GLenum)
{
    return nullptr;
}
void glutSwapBuffers() {}

namespace
{

// The animation state lives for the whole program, so each run starts in a fresh child.
class LongRunDeathTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

// Exits 0 when the angle climbed half a degree per step to 2^23 and then stayed there.
[[noreturn]] void run_to_the_angle_limit()
{
    run_past_the_limit();
    const bool ok = watch.frames == steps_to_the_limit + frames_past_the_limit &&
                    watch.bad_angle_moves == 0 && watch.angle == angle_limit &&
                    watch.angle_before_limit == angle_limit - angle_step &&
                    watch.frames_at_limit == frames_past_the_limit && watch.not_finite == 0 &&
                    watch.errors_reported == 0;
    std::fprintf(stderr,
                 "frames %ld angle %.1f before %.1f frames at the limit %ld bad moves %ld "
                 "not finite %ld errors %ld\n",
                 watch.frames, watch.angle, watch.angle_before_limit, watch.frames_at_limit,
                 watch.bad_angle_moves, watch.not_finite, watch.errors_reported);
    std::exit(ok ? 0 : 3);
}

TEST_F(LongRunDeathTest, AfterTwoToTheTwentyFourStepsTheAngleStopsAndStaysFinite)
{
    EXPECT_EXIT(run_to_the_angle_limit(), testing::ExitedWithCode(0),
                "frames 16778216 angle 8388608.0 before 8388607.5 frames at the limit 1000 "
                "bad moves 0 not finite 0 errors 0");
}

// Exits 0 when every step raised the emission's blue and, past 300 degrees, moved the diffuse
// from green to red, far beyond 0..1, with nothing clamped or wrapped.
[[noreturn]] void run_the_material_drift()
{
    run_past_the_limit();
    // Single-precision sums of 0.0005 stay within a few per cent of the exact sum.
    const double steps = static_cast<double>(watch.material_steps);
    const double exact_blue = steps * colour_step;
    const double exact_red = (steps - 600) * colour_step;
    const bool near_exact = std::fabs(watch.emission[2] / exact_blue - 1.0) < 0.05 &&
                            std::fabs(watch.diffuse[0] / exact_red - 1.0) < 0.05 &&
                            std::fabs((1.0 - watch.diffuse[1]) / exact_red - 1.0) < 0.05;
    const bool ok = watch.material_steps == steps_to_the_limit + frames_past_the_limit &&
                    watch.emission_not_rising == 0 && watch.diffuse_not_drifting == 0 &&
                    watch.emission_at_2000 > 1.0f && near_exact && watch.not_finite == 0 &&
                    watch.emission[0] == 0.3f && watch.emission[1] == 0.3f;
    std::fprintf(stderr,
                 "steps %ld blue %.6g at 2000 %.6g red %.6g green %.6g not rising %ld "
                 "not drifting %ld not finite %ld\n",
                 watch.material_steps, watch.emission[2], watch.emission_at_2000, watch.diffuse[0],
                 watch.diffuse[1], watch.emission_not_rising, watch.diffuse_not_drifting,
                 watch.not_finite);
    std::exit(ok ? 0 : 3);
}

TEST_F(LongRunDeathTest, TheMaterialDriftKeepsGrowingWithoutClampOrWrap)
{
    EXPECT_EXIT(run_the_material_drift(), testing::ExitedWithCode(0),
                "steps 16778216 blue [0-9.]+ at 2000 1.0000[0-9]* red [0-9.]+ green -[0-9.]+ "
                "not rising 0 not drifting 0 not finite 0");
}

} // namespace
