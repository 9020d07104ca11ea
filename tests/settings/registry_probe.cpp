// registry_probe SANDBOX-PATH: reads the settings of the given registry sandbox
// in a fresh process, as the saver does at start, and prints the record.
#include "settings/settings.h"
#include "tests/support/record.h"
#include "tests/support/registry_sandbox.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: registry_probe SANDBOX-PATH\n");
        return 2;
    }
    RegistrySandbox sandbox(argv[1]);
    ReadConfig();
    std::fputs(FormatRecord(ActualData).c_str(), stdout);
    return 0;
}
