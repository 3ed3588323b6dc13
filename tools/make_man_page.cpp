// SPDX-License-Identifier: MIT
// Writes the manual page galerio.1 from the usage texts the program prints,
// at build time: make_man_page <output file> <version> <help page path>
#include <cstdio>
#include <fstream>

#include "app/frame_rules.h"
#include "batch/batch_options.h"
#include "man_page.h"

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fputs("Usage: make_man_page OUTPUT VERSION HELP-PAGE\n", stderr);
        return 2;
    }
    const ManPageSource source{"galerio",    argv[2], CommandLineUsage(),
                               BatchUsage(), argv[3], ImageWindowKeys(),
                               ChoicesText()};
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << MakeManPage(source);
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_man_page: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
