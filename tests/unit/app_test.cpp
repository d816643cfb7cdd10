// Start-up, run through the program's real main, and the window event handlers.
#include "gl_double.h"

#include "app/app.h"
#include "render/render.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int vorlane_main(int argc, char** argv);

namespace
{

using gl_double::Call;
using testing::HasSubstr;
using testing::Not;

std::vector<Call> start(int screen_width, int screen_height, std::uint32_t clock = 0)
{
    gl_double::reset();
    gl_double::set_screen_size(screen_width, screen_height);
    fake_platform::set_clock(clock);
    char name[] = "vorlane";
    char option[] = "-sync";
    char* argv[] = {name, option, nullptr};
    EXPECT_EQ(vorlane_main(2, argv), 0);
    return gl_double::calls();
}

const Call& find(const std::vector<Call>& calls, const std::string& name)
{
    for (const Call& call : calls)
        if (call.name == name)
            return call;
    static const Call none;
    ADD_FAILURE() << name << " not called";
    return none;
}

TEST(StartUp, CallsInOrderWithTheirValues)
{
    const auto calls = start(800, 900, 4242);
    const std::vector<std::pair<std::string, std::vector<double>>> expected = {
        {"glutInit", {2}},
        {"glutGet", {GLUT_SCREEN_WIDTH}},
        {"glutGet", {GLUT_SCREEN_HEIGHT}},
        {"glutInitDisplayMode", {GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH}},
        {"glutInitWindowPosition", {50, 100}},
        {"glutInitWindowSize", {700, 700}},
        {"glutCreateWindow", {}},
        {"glutKeyboardFunc", {}},
        {"glutDisplayFunc", {}},
        {"glutVisibilityFunc", {}},
        {"glutReshapeFunc", {}},
        {"glMatrixMode", {GL_PROJECTION}},
        {"glLoadIdentity", {}},
        {"gluPerspective", {60.0, 1.0, 1.0, 300.0}},
        {"glMatrixMode", {GL_MODELVIEW}},
        {"glLoadIdentity", {}},
        {"glEnable", {GL_DEPTH_TEST}},
        {"glDepthFunc", {GL_LEQUAL}},
        {"glShadeModel", {GL_SMOOTH}},
        {"glClearColor", {0, 0, 0, 0.5}},
        {"glClearDepth", {1.0}},
        {"glHint", {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST}},
        {"glEnable", {GL_LIGHTING}},
        {"glLightfv", {GL_LIGHT0, GL_AMBIENT, 1, 1, 1, 1}},
        {"glLightfv", {GL_LIGHT0, GL_DIFFUSE, 1, 1, 1, 1}},
        {"glLightfv", {GL_LIGHT0, GL_POSITION, 0, 0, -10, 1}},
        {"glEnable", {GL_LIGHT0}},
        {"glMaterialfv", {GL_FRONT, GL_AMBIENT, 0, 0, 0, 1}},
        {"glMaterialfv", {GL_FRONT, GL_DIFFUSE, 0, 1, 0, 0}},
        {"glMaterialfv", {GL_FRONT, GL_SPECULAR, 1, 0, 0, 1}},
        {"glMaterialfv", {GL_FRONT, GL_EMISSION, 0.3f, 0.3f, 0, 0}},
        {"glMaterialfv", {GL_FRONT, GL_SHININESS, 10}},
        {"glLightfv", {GL_LIGHT1, GL_AMBIENT, 0.5, 0.5, 0.5, 0.5}},
        {"glLightfv", {GL_LIGHT1, GL_DIFFUSE, 1, 1, 1, 1}},
        {"glLightfv", {GL_LIGHT1, GL_POSITION, 0, 0, -10, 1}},
        {"glEnable", {GL_LIGHT1}},
        {"glLightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 1}},
        {"glutMainLoop", {}},
    };
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].first) << "call " << i;
        EXPECT_EQ(calls[i].args, expected[i].second) << "call " << i << " " << calls[i].name;
    }
    EXPECT_EQ(calls[0].text, "vorlane -sync ") << "the whole command line goes to GLUT";
    EXPECT_EQ(find(calls, "glutCreateWindow").text, "Quillobrante - VORLANE 11/30/2005");
    EXPECT_EQ(calls[7].callback, reinterpret_cast<const void*>(on_keyboard));
    EXPECT_EQ(calls[8].callback, reinterpret_cast<const void*>(on_display));
    EXPECT_EQ(calls[9].callback, reinterpret_cast<const void*>(on_visibility));
    EXPECT_EQ(calls[10].callback, reinterpret_cast<const void*>(on_reshape));
    EXPECT_EQ(gl_double::count("glutIdleFunc"), 0u) << "only visibility installs the idle handler";
    EXPECT_EQ(last_tick, 4242u);
}

TEST(StartUp, WindowIsCentredEvenWhenTheScreenIsTooSmall)
{
    EXPECT_EQ(find(start(1920, 1080), "glutInitWindowPosition").args,
              (std::vector<double>{610, 190}));
    EXPECT_EQ(find(start(800, 600), "glutInitWindowPosition").args, (std::vector<double>{50, -50}));
    // Odd sizes halve toward zero.
    EXPECT_EQ(find(start(801, 601), "glutInitWindowPosition").args, (std::vector<double>{50, -50}));
}

TEST(Handlers, VisibilityInstallsAndRemovesTheIdleHandler)
{
    gl_double::reset();
    on_visibility(GLUT_VISIBLE);
    on_visibility(GLUT_NOT_VISIBLE);
    on_visibility(7);
    const auto installs = gl_double::calls_named("glutIdleFunc");
    ASSERT_EQ(installs.size(), 3u);
    EXPECT_EQ(installs[0].callback, reinterpret_cast<const void*>(on_idle));
    EXPECT_EQ(installs[1].callback, nullptr);
    EXPECT_EQ(installs[2].callback, nullptr);

    gl_double::reset();
    on_idle();
    ASSERT_EQ(gl_double::calls().size(), 1u);
    EXPECT_EQ(gl_double::calls()[0].name, "glutPostRedisplay");
}

TEST(Handlers, ReshapeSetsViewportAndAspect)
{
    gl_double::reset();
    on_reshape(1000, 500);
    const auto& calls = gl_double::calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].name, "glViewport");
    EXPECT_EQ(calls[0].args, (std::vector<double>{0, 0, 1000, 500}));
    EXPECT_EQ(calls[1].args, (std::vector<double>{GL_PROJECTION}));
    EXPECT_EQ(calls[2].name, "glLoadIdentity");
    EXPECT_EQ(calls[3].args, (std::vector<double>{60.0, 2.0, 1.0, 300.0}));
    EXPECT_EQ(calls[4].args, (std::vector<double>{GL_MODELVIEW}));

    // Not integer division: 700 x 300 is 2.333..., not 2.
    gl_double::reset();
    on_reshape(700, 300);
    EXPECT_EQ(gl_double::calls_named("gluPerspective")[0].args[1], 700.0 / 300.0);

    // Height 0 keeps the viewport but takes the aspect as if the height were 1.
    gl_double::reset();
    on_reshape(640, 0);
    EXPECT_EQ(gl_double::calls_named("glViewport")[0].args, (std::vector<double>{0, 0, 640, 0}));
    EXPECT_EQ(gl_double::calls_named("gluPerspective")[0].args[1], 640.0);
    gl_double::reset();
    on_reshape(0, 0);
    EXPECT_EQ(gl_double::calls_named("gluPerspective")[0].args[1], 0.0);
}

TEST(Handlers, CharacterKeysRedrawOnce)
{
    for (int key = 0; key < 256; ++key) {
        if (key == 27)
            continue;
        gl_double::reset();
        on_keyboard(static_cast<unsigned char>(key), 10, 20);
        ASSERT_EQ(gl_double::calls().size(), 1u) << "key " << key;
        EXPECT_EQ(gl_double::calls()[0].name, "glutPostRedisplay");
    }
}

TEST(HandlersDeathTest, EscapeExitsWithStatusZeroWithoutRedrawing)
{
    EXPECT_EXIT(
        {
            gl_double::set_echo(true);
            on_keyboard(27, 0, 0);
        },
        testing::ExitedWithCode(0), Not(HasSubstr("redisplay")));
}

} // namespace
