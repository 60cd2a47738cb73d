// Stands in for the wizard in the updater's tests: writes its working folder
// and then each argument, one a line, to the file named by
// $ORLAVO_STANDIN_RECORD (when set), and prints its own version.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "common/VersionText.h"
#include "platform/FileVersion.h"

int main(int argc, char** argv) {
    if (const char* record = std::getenv("ORLAVO_STANDIN_RECORD")) {
        char folder[PATH_MAX] = {};
        std::ofstream out(record, std::ios::trunc);
        out << (getcwd(folder, sizeof folder) ? folder : "") << "\n";
        for (int i = 1; i < argc; ++i)
            out << argv[i] << "\n";
    }
    std::printf("%s\n", orlavo::ProgramVersionText(orlavo::OwnFileVersion().value_or("")).c_str());
    return 0;
}
