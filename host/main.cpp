// The program's entry on a POSIX desktop: the command line as one text after
// the program's name, then the host runs the demonstration.
#include <string>

#include "demo/scene.h"
#include "host/app.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    return HostMain(commandLine.c_str(), DemoCallbacks());
}
