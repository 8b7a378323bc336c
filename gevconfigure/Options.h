// Command-line words, operand checks and the fixed texts of bnkGEVConfigure.
#pragma once

#include <cstdint>

namespace gevconfigure {

// Codes of the option words (CheckArgumentOption).
constexpr int32_t kOptionUnknown = 4096;
constexpr int32_t kOptionList = 4100;
constexpr int32_t kOptionHelp = 4104;
constexpr int32_t kOptionVersion = 4108;
constexpr int32_t kOptionDHCP = 4112;
constexpr int32_t kOptionPersistent = 4116;
constexpr int32_t kOptionLLA = 4120;

// Results of the checks and procedures.
constexpr int32_t kSuccess = 0;
constexpr int32_t kFailure = 4096;

// Exit statuses of the program.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;

// Maps one whole command-line word, case-sensitively, to its option code.
int32_t CheckArgumentOption(const char *text);

// kSuccess when the text is a dotted IPv4 address; *address (network byte order) is then set.
int32_t CheckArgumentip(const char *text, uint32_t *address);

void DisplayHelpMessage();
void DisplayVersion();
void DisplayHint();
void DisplayMissingArgument();
void DisplayInvalidOption(const char *word);
void DisplayInvalidOperand(const char *what, const char *operand);
void DisplayInvalidIndex(int32_t index);

}  // namespace gevconfigure
