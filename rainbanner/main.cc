// rainbanner: prints the toolbox banner in rainbow colours. Takes no arguments; always exits 0.
#include "banner.h"

int main() {
    const auto console = rainbanner::make_system_console();
    return rainbanner::run_banner(*console);
}
