#include "frostpane.h"
#include "platform_win32.h"

int main(int argc, char* argv[]) {
    frostpane::win32_platform os;
    return frostpane::run_frostpane(os, argc, argv);
}
