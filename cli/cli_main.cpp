// veltrane-cli's entry: the real system, the real console, one state record.
#include "app/updater_state.h"
#include "cli/command_line.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    static UpdaterState state;
    CliEnvironment env;
    env.system = &PlatformSystem();
    env.console = &StandardConsole();
    return RunCommandLine(argc, argv, env, state);
}
