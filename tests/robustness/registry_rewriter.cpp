// registry_rewriter SANDBOX-PATH: stores the defaults and a record that differs
// from them in every field, one after the other, into the given registry
// sandbox, as the configuration dialog's OK does, until it is ended.
#include "settings/settings.h"
#include "tests/support/record.h"
#include "tests/support/registry_sandbox.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: registry_rewriter SANDBOX-PATH\n");
        return 2;
    }
    RegistrySandbox sandbox(argv[1]);
    for (unsigned long n = 0;; ++n) {
        ActualData = n % 2 ? DistinctRecord() : DefaultData;
        WriteConfig();
    }
}
