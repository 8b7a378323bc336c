#include "CommandLine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace ky::tools {

namespace {

std::string Range(long double min, long double max)
{
    std::ostringstream text;
    text.precision(15);
    text << "from " << min << " to " << max;
    return text.str();
}

}  // namespace

CommandLine::CommandLine(std::string program, std::string usage)
    : mProgram(std::move(program)), mUsage(std::move(usage))
{ }

void CommandLine::Flag(const std::string &name, std::function<void()> apply)
{
    mOptions.push_back({name, false, [apply](const std::string &) {
                            apply();
                            return std::string();
                        }});
}

void CommandLine::Flag(const std::string &name, bool &target)
{
    Flag(name, [&target] { target = true; });
}

void CommandLine::Value(const std::string &name, std::function<std::string(const std::string &)> apply)
{
    mOptions.push_back({name, true, std::move(apply)});
}

void CommandLine::Text(const std::string &name, std::string &target)
{
    Value(name, [&target](const std::string &text) {
        target = text;
        return std::string();
    });
}

void CommandLine::Number(const std::string &name, double &target, double min, double max)
{
    Value(name, [&target, min, max](const std::string &text) { return ParseNumber(text, min, max, target); });
}

std::string CommandLine::ParseNumber(const std::string &text, double min, double max, double &value)
{
    char *end = nullptr;
    const double parsed = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(parsed))
        return "takes a number " + Range(min, max) + ", not '" + text + "'";
    if (parsed < min || parsed > max)
        return "takes a number " + Range(min, max) + ", not " + text;
    value = parsed;
    return "";
}

std::string CommandLine::ParseWhole(const std::string &text, long double min, long double max,
                                    long double &value)
{
    // Digits only (a leading minus where the range allows it): no hexadecimal, no exponent, no
    // blank, and nothing that strtoll would quietly turn into 0.
    size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    bool whole = text.size() > digits && text.size() - digits <= 19;
    for (size_t i = digits; whole && i < text.size(); ++i)
        whole = text[i] >= '0' && text[i] <= '9';
    if (!whole)
        return "takes a whole number " + Range(min, max) + ", not '" + text + "'";
    const long double parsed = std::strtold(text.c_str(), nullptr);
    if (parsed < min || parsed > max)
        return "takes a whole number " + Range(min, max) + ", not " + text;
    value = parsed;
    return "";
}

int CommandLine::Fail(const std::string &message) const
{
    std::fprintf(stderr, "%s: %s\n\n%s", mProgram.c_str(), message.c_str(), mUsage.c_str());
    return 2;
}

int CommandLine::Parse(int argc, char **argv) const
{
    // Help wins wherever it stands, and nothing else is looked at then.
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-h" || word == "--help") {
            std::fputs(mUsage.c_str(), stdout);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const Option *option = nullptr;
        for (const Option &o : mOptions)
            option = o.name == word ? &o : option;
        if (option == nullptr)
            return Fail((word.size() > 1 && word[0] == '-' ? "unknown option '" : "unexpected word '") +
                        word + "'");
        std::string value;
        if (option->takesValue) {
            if (i + 1 >= argc)
                return Fail(word + " needs a value");
            value = argv[++i];
        }
        const std::string error = option->apply(value);
        if (!error.empty())
            return Fail(word + " " + error);
    }
    return kContinue;
}

}  // namespace ky::tools
