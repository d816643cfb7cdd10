// vorlane: a lit, smoothly shaded elongated sphere spinning in a centred window.
#include "app/app.h"

int main(int argc, char** argv)
{
    run_program(argc, argv);
}
