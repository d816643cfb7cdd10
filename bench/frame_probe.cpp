// Preloaded (LD_PRELOAD) into a GLUT program by the bench script; it counts buffer swaps.
// VORLANE_BENCH_FRAMES=N ends the program with status 0 after its Nth frame, and
// VORLANE_BENCH_FIRST_FRAME=path receives the monotonic time at which the first frame was on
// the screen (after its swap and a round trip to the X server, which has then drawn it) and
// the processor time the process had used by then, both in nanoseconds.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace
{

using SwapBuffers = void (*)();
using CurrentDisplay = void* (*)();
using Sync = int (*)(void*, int);

long frames_seen = 0;

long frame_limit()
{
    const char* limit = std::getenv("VORLANE_BENCH_FRAMES");
    return limit != nullptr ? std::strtol(limit, nullptr, 10) : 0;
}

long long nanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void note_first_frame()
{
    const char* path = std::getenv("VORLANE_BENCH_FIRST_FRAME");
    if (path == nullptr)
        return;
    // Looked up rather than linked, so the probe can be preloaded into anything.
    const auto current_display =
        reinterpret_cast<CurrentDisplay>(dlsym(RTLD_DEFAULT, "glXGetCurrentDisplay"));
    const auto sync = reinterpret_cast<Sync>(dlsym(RTLD_DEFAULT, "XSync"));
    if (current_display != nullptr && sync != nullptr && current_display() != nullptr)
        sync(current_display(), 0);
    const long long now = nanoseconds(CLOCK_MONOTONIC);
    const long long used = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
    if (FILE* file = std::fopen(path, "w")) {
        std::fprintf(file, "%lld %lld\n", now, used);
        std::fclose(file);
    }
}

} // namespace

extern "C" void glutSwapBuffers()
{
    static const auto swap = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glutSwapBuffers"));
    static const long limit = frame_limit();
    swap();
    if (++frames_seen == 1)
        note_first_frame();
    if (frames_seen == limit)
        std::exit(EXIT_SUCCESS);
}
