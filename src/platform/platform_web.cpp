// The browser: the page's monotonic clock and a modal notice in the page.
#include "platform/platform.h"

#include <emscripten.h>

#include <cstdlib>

namespace
{

constexpr const char* button_label = "OK";

} // namespace

// A <dialog> shown modally over the page, with the caption as its heading. It cannot hold
// up the program the way a desktop message box does, so it tells the page once it has been
// dismissed (OK, or Escape), and the page reports how the program ended only after that.
// clang-format off
EM_JS(void, open_notice, (const char* caption, const char* text, const char* button), {
    const dialog = document.createElement('dialog');
    dialog.className = 'notice';
    const heading = document.createElement('h1');
    heading.id = 'notice-caption';
    heading.textContent = UTF8ToString(caption);
    dialog.setAttribute('aria-labelledby', heading.id);
    const message = document.createElement('p');
    message.textContent = UTF8ToString(text);
    const form = document.createElement('form');
    form.method = 'dialog';
    const ok = document.createElement('button');
    ok.textContent = UTF8ToString(button);
    form.append(ok);
    dialog.append(heading, message, form);
    dialog.addEventListener('close', () => {
        dialog.remove();
        if (Module['onNoticeDismissed'])
            Module['onNoticeDismissed']();
    });
    document.body.append(dialog);
    dialog.showModal();
    ok.focus();
});
// clang-format on

// The canvas sits in the page; there is no monitor to choose.
void find_primary_monitor(int, char**) {}

ScreenArea primary_monitor(ScreenArea whole_screen)
{
    return whole_screen;
}

std::uint32_t read_millisecond_clock()
{
    // performance.now(): milliseconds since the page started, monotonic. Only the low 32 bits
    // are kept, and every reader compares them with wrapping arithmetic.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

// The canvas is part of a page, not a desktop window; the browser names the page by its title.
void describe_window_to_desktop() {}

void show_error_notice(const char* text)
{
    open_notice(notice_caption, text, button_label);
}

// The page keeps the canvas; Emscripten's exit tells the page the status.
void end_program(int status)
{
    std::exit(status);
}
