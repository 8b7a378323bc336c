// One run of bnkGEVConfigure: everything goes to standard output; the result is the exit status
// (kExitDone when the run did what was asked, kExitFailed when it printed a failure).
#pragma once

namespace gevconfigure {

int RunTool(int argc, char **argv);

}  // namespace gevconfigure
