// SPDX-License-Identifier: MIT
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame_rules.h"
#include "app/galerio_app.h"
#include "batch/batch_options.h"
#include "batch/batch_run.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Only as the first argument, so any other command line stays the
    // desktop program's; a folder of that name opens as "./--make-thumbs".
    if (!args.empty() && args[0] == "--make-thumbs")
        return RunMakeThumbsCommand({args.begin() + 1, args.end()}, stdout, stderr);
    if (ParseCommandLine(args).bHelp) {
        std::fputs(CommandLineUsage(), stdout);
        std::fputs(BatchUsageSummary(), stdout);
        return 0;
    }
    return RunGalerio(argc, argv);
}
