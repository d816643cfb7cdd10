// Whole frames against Mesa in a real window, and the floor beside them in the same process:
// the same frame with the shape's calls replayed from arrays.
//
// The bench starts a private virtual X server of its own and opens the program's window on
// it. Its clock moves 6 ms per read, so every frame of either kind takes one animation step
// and both see the same angles; a run of 720 frames is one whole turn.
#include "app/app.h"
#include "floor_shape.h"
#include "platform/platform.h"
#include "render/render.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr std::uint32_t clock_step_ms = 6;
constexpr int frames_per_turn = 720;
constexpr const char* screen_geometry = "800x900x24";
constexpr auto map_timeout = std::chrono::seconds(20);
constexpr auto map_poll = std::chrono::milliseconds(5);

std::uint32_t bench_clock = 0;
bool window_visible = false;

struct VirtualDisplay {
    pid_t server;
    std::filesystem::path shader_cache;
};

// Xvfb picks a free display number and writes it to the pipe it is given.
VirtualDisplay start_virtual_display()
{
    int ends[2];
    if (pipe(ends) != 0) {
        std::perror("pipe");
        std::exit(EXIT_FAILURE);
    }
    const pid_t server = fork();
    if (server == 0) {
        // The server ends with the bench, however the bench ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(ends[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        const std::string fd = std::to_string(ends[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen_geometry,
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    std::string number;
    char c;
    while (read(ends[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ends[0]);
    if (server < 0 || number.empty()) {
        std::fprintf(stderr, "frame bench: could not start Xvfb\n");
        std::exit(EXIT_FAILURE);
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);

    char cache[] = "/tmp/vorlane-bench-mesa-XXXXXX";
    if (mkdtemp(cache) == nullptr) {
        std::perror("mkdtemp");
        std::exit(EXIT_FAILURE);
    }
    setenv("MESA_SHADER_CACHE_DIR", cache, 1);
    return {server, cache};
}

void stop_virtual_display(const VirtualDisplay& display)
{
    kill(display.server, SIGTERM);
    waitpid(display.server, nullptr, 0);
    std::error_code ignored;
    std::filesystem::remove_all(display.shader_cache, ignored);
}

void note_visibility(int state)
{
    window_visible = state == GLUT_VISIBLE;
}

// The program's window, state and first frames, so that shader compilation and the first
// capture are done before anything is timed.
void open_window(int& argc, char** argv)
{
    glutInit(&argc, argv);
    open_centred_window();
    glutDisplayFunc(on_display);
    glutVisibilityFunc(note_visibility);
    set_initial_projection();
    set_render_state();
    const auto deadline = std::chrono::steady_clock::now() + map_timeout;
    while (!window_visible && std::chrono::steady_clock::now() < deadline) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(map_poll);
    }
    if (!window_visible) {
        std::fprintf(stderr, "frame bench: the window was never shown\n");
        std::exit(EXIT_FAILURE);
    }
    on_display();
    floor_on_display();
    benchmark::AddCustomContext("renderer",
                                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::AddCustomContext("gl_version",
                                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
}

void frame(benchmark::State& state)
{
    for (auto _ : state)
        on_display();
}

void floor_frame(benchmark::State& state)
{
    for (auto _ : state)
        floor_on_display();
}

} // namespace

// The frames' clock and error notice, in place of the platform layer.
std::uint32_t read_millisecond_clock()
{
    bench_clock += clock_step_ms;
    return bench_clock;
}

void show_error_notice(const char* text)
{
    std::fprintf(stderr, "frame bench: OpenGL error: %s\n", text);
}

BENCHMARK(frame)->Iterations(frames_per_turn)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(floor_frame)->Iterations(frames_per_turn)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const VirtualDisplay display = start_virtual_display();
    open_window(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // GLUT lets go of its window and connection while the server is still there.
    glutExit();
    stop_virtual_display(display);
    return 0;
}
