// veltrane-cli's entry: the real system and the real console.
#include "cli/command_line.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    CliEnvironment env;
    env.system = &PlatformSystem();
    env.console = &StandardConsole();
    return RunCommandLine(argc, argv, env);
}
