#include "Options.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>

namespace gevconfigure {

namespace {

struct OptionWord
{
    const char *word;
    int32_t code;
};

// Compared in this order.
constexpr OptionWord kOptionWords[] = {
    {"--help", kOptionHelp},
    {"-h", kOptionHelp},
    {"--list", kOptionList},
    {"-L", kOptionList},
    {"--version", kOptionVersion},
    {"-v", kOptionVersion},
    {"-d", kOptionDHCP},
    {"--dhcp", kOptionDHCP},
    {"-p", kOptionPersistent},
    {"--persistent", kOptionPersistent},
    {"-l", kOptionLLA},
    {"--lla", kOptionLLA},
};

}  // namespace

int32_t CheckArgumentOption(const char *text)
{
    if (text == nullptr)
        return kOptionUnknown;
    for (const OptionWord &option : kOptionWords) {
        if (std::strcmp(text, option.word) == 0)
            return option.code;
    }
    return kOptionUnknown;
}

int32_t CheckArgumentip(const char *text, uint32_t *address)
{
    in_addr parsed{};
    if (text == nullptr || inet_pton(AF_INET, text, &parsed) != 1)
        return kFailure;
    if (address != nullptr)
        *address = parsed.s_addr;
    return kSuccess;
}

void DisplayHelpMessage()
{
    printf("Usage: bnkGEVConfigure -d [index]\n");
    printf("  or:  bnkGEVConfigure -p [index][IP][Subnet][gateway]\n");
    printf("  or:  bnkGEVConfigure -l [index]\n");
    printf("Configure the IP of the Brenik GigEVision device.\n");
    printf("\n");
    printf("Mandatory arguments to long options are mandatory for short options too.\n");
    printf("  -d, --dhcp\t\t\tSet to DHCP\n");
    printf("  -p, --persistent\t\t\tSet to Persistent\n");
    printf("  -l, --lla\t\t\tSet to Link Local Address\n");
    printf("  -L, --list\t\t\tList of devices\n");
    printf("  -h, --help\t\t\tDisplay this help and exit\n");
    printf("  -v, --version\t\t\tOutput version information and exit\n");
    printf("\n");
    printf("When --persistent is specified, If you only set the IP, the subnet and gateway are set to "
           "default.\n");
    printf("Devices are sorted by SerialNuber.\n");
    printf("The IP you want to set must not be the same as the IP of the adapter.\n");
    printf("Depending on the subnetmask setting, you may not be able to connect to the device.\n");
}

void DisplayVersion() { printf("bnkGEVConfigure 1.0.2.6797\n"); }

void DisplayHint() { printf("Try 'bnkGEVConfigure --help' for more information.\n"); }

void DisplayMissingArgument()
{
    printf("bnkgEVConfigure: missing argument\n");
    DisplayHint();
}

void DisplayInvalidOption(const char *word)
{
    printf("bnkgEVConfigure: invalid option '%s'\n", word);
    DisplayHint();
}

void DisplayInvalidOperand(const char *what, const char *operand)
{
    printf("bnkGEVConfigure: invalid operand [%s] '%s'\n", what, operand);
    DisplayHint();
}

void DisplayInvalidIndex(int32_t index)
{
    printf("bnkgEVConfigure: invalid index '%d'\n", index);
    DisplayHint();
}

}  // namespace gevconfigure
