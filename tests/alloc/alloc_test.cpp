// No heap allocation per frame: frames drawn against the recording double while operator new
// and malloc count. The double's calls are wrapped (see CMakeLists.txt) and do not count.
#include "gl_double.h"

#include "render/render.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <type_traits>

// glibc's allocator under its own names, which the replacements below hand on to.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace
{

bool counting = false;
std::size_t allocations = 0;

void* counted(void* block)
{
    if (counting && block != nullptr)
        ++allocations;
    return block;
}

// Runs one call into the double with the count paused.
template <typename Call> auto uncounted(Call call)
{
    const bool was_counting = counting;
    counting = false;
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        counting = was_counting;
    } else {
        const auto result = call();
        counting = was_counting;
        return result;
    }
}

} // namespace

extern "C" {

void* malloc(std::size_t size) noexcept
{
    return counted(__libc_malloc(size));
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    return counted(__libc_calloc(count, size));
}

void* realloc(void* block, std::size_t size) noexcept
{
    return counted(__libc_realloc(block, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    return counted(__libc_memalign(alignment, size));
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept
{
    *block = counted(__libc_memalign(alignment, size));
    return *block != nullptr ? 0 : ENOMEM;
}

void free(void* block) noexcept
{
    __libc_free(block);
}

// The double's functions, under the names the linker gives them with --wrap.
void __real_glClear(GLbitfield mask);
void __real_glLoadIdentity();
void __real_glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void __real_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void __real_glBegin(GLenum mode);
void __real_glEnd();
void __real_glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void __real_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void __real_glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void __real_glMaterialfv(GLenum face, GLenum name, const GLfloat* values);
GLenum __real_glGetError();
void __real_glutSwapBuffers();

void __wrap_glClear(GLbitfield mask)
{
    uncounted([&] { __real_glClear(mask); });
}
void __wrap_glLoadIdentity()
{
    uncounted([] { __real_glLoadIdentity(); });
}
void __wrap_glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    uncounted([&] { __real_glTranslatef(x, y, z); });
}
void __wrap_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    uncounted([&] { __real_glRotatef(angle, x, y, z); });
}
void __wrap_glBegin(GLenum mode)
{
    uncounted([&] { __real_glBegin(mode); });
}
void __wrap_glEnd()
{
    uncounted([] { __real_glEnd(); });
}
void __wrap_glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    uncounted([&] { __real_glNormal3f(x, y, z); });
}
void __wrap_glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    uncounted([&] { __real_glVertex3f(x, y, z); });
}
void __wrap_glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    uncounted([&] { __real_glColor4f(red, green, blue, alpha); });
}
void __wrap_glMaterialfv(GLenum face, GLenum name, const GLfloat* values)
{
    uncounted([&] { __real_glMaterialfv(face, name, values); });
}
GLenum __wrap_glGetError()
{
    return uncounted([] { return __real_glGetError(); });
}
void __wrap_glutSwapBuffers()
{
    uncounted([] { __real_glutSwapBuffers(); });
}

} // extern "C"

void* operator new(std::size_t size)
{
    if (void* block = malloc(size))
        return block;
    throw std::bad_alloc();
}

namespace
{

constexpr int frames = 100;
// Every frame comes more than 5 ms after the last, so every frame also takes an animation
// step with its two material calls.
constexpr std::uint32_t frame_interval_ms = 6;

TEST(Allocation, AHundredFramesAllocateNothing)
{
    std::uint32_t now = 0;
    last_tick = now;
    std::size_t swaps = 0;
    std::size_t material_calls = 0;
    std::size_t vertices = 0;
    allocations = 0;
    for (int frame = 0; frame < frames; ++frame) {
        gl_double::reset();
        now += frame_interval_ms;
        fake_platform::set_clock(now);
        counting = true;
        on_display();
        counting = false;
        swaps += gl_double::count("glutSwapBuffers");
        material_calls += gl_double::count("glMaterialfv");
        vertices += gl_double::count("glVertex3f");
    }
    std::printf("allocations by the program's own code in %d frames: %zu\n", frames, allocations);
    EXPECT_EQ(allocations, 0u);
    // The frames were whole: drawn, stepped and swapped.
    EXPECT_EQ(swaps, std::size_t{frames});
    EXPECT_EQ(material_calls, 2u * frames);
    EXPECT_GT(vertices, 5000u * frames);
}

TEST(Allocation, TheCountSeesAllocationsOutsideTheDoubleOnly)
{
    allocations = 0;
    gl_double::reset();
    counting = true;
    void* volatile from_new = ::operator new(16);
    void* volatile from_malloc = std::malloc(16);
    const std::size_t outside = allocations;
    // Recording this call grows the double's storage, which must not count.
    glVertex3f(1.0f, 2.0f, 3.0f);
    const std::size_t after_double = allocations;
    counting = false;
    ::operator delete(from_new);
    std::free(from_malloc);

    EXPECT_EQ(outside, 2u);
    EXPECT_EQ(after_double, outside);
    EXPECT_EQ(gl_double::count("glVertex3f"), 1u);
}

} // namespace
