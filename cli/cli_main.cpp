// veltrane-cli's entry: the real system and the real console.
#include "cli/command_line.h"
#include "platform/library_search.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    RestrictLibrarySearch();  // before anything can load a library, as the window does
    CliEnvironment env;
    env.system = &PlatformSystem();
    env.console = &StandardConsole();
    return RunCommandLine(argc, argv, env);
}
