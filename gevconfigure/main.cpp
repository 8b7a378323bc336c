// bnkGEVConfigure: lists the GigE Vision cameras reachable through the host's network adapters
// and gives one of them a DHCP, persistent or link-local IP configuration.
#include <cstdio>
#include <exception>

#include "Options.h"
#include "Tool.h"

int main(int argc, char **argv)
{
    try {
        const int status = gevconfigure::RunTool(argc, argv);
        fflush(stdout);
        return status;
    } catch (const std::exception &e) {
        printf("bnkGEVConfigure: %s\n", e.what());
    } catch (...) {
        printf("bnkGEVConfigure: unexpected failure\n");
    }
    return gevconfigure::kExitFailed;
}
