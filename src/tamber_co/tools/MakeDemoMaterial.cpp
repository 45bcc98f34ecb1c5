// Writes the demo modules and the cutter module into the folder given on the command line.
#include <cstdio>
#include "store/DemoMaterial.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamber_demo_material FOLDER\n");
        return 2;
    }
    if (!WriteDemoFiles(argv[1])) {
        std::fprintf(stderr, "tamber_demo_material: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
