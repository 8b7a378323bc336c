// gev_readreg ADDRESS REGISTER...: reads 32-bit bootstrap registers of the GigE Vision device at
// ADDRESS without taking control, and prints one "0xREGISTER 0xVALUE" line per register.
// A test helper: the IP tool's tests read back what the tool wrote through it.
#include <cstdio>
#include <cstdlib>

#include "ky/device/KyDeviceGEV.h"

int main(int argc, char **argv)
{
    if (argc < 3) {
        printf("usage: gev_readreg ADDRESS REGISTER...\n");
        return 2;
    }
    KyDeviceGEV device;
    KyResult result = device.Connect(KyString(argv[1]), KyAccessReadOnly);
    if (!result.IsOK()) {
        printf("connect: %s %s\n", result.GetCodeString().GetAscii(), result.GetDescription().GetAscii());
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const int64_t address = std::strtoll(argv[i], nullptr, 0);
        uint32_t value = 0;
        result = device.ReadRegister(address, value);
        if (!result.IsOK()) {
            printf("read 0x%04llx: %s\n", static_cast<long long>(address), result.GetCodeString().GetAscii());
            return 1;
        }
        printf("0x%04llx 0x%08x\n", static_cast<long long>(address), value);
    }
    (void)device.Disconnect();  // the registers are printed; the process ends next either way
    return 0;
}
