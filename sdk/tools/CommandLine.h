// CommandLine: the option table of a program of the kit (softcam, kydemo, the benchmarks).
//
// Every option is a whole word followed by its value, if it takes one ("--frames 10").
// -h and --help print the program's usage. Parse reads every word before the program does
// anything else, so that a typo or a bad value ends the program before it opens a socket: these
// programs broadcast on every interface, and a mistyped option must never start that.
//
// Not thread-safe; used from main() only.
#pragma once

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace ky::tools {

class CommandLine
{
public:
    // The exit status Parse returns when the program is to go on.
    static constexpr int kContinue = -1;

    // `usage` is printed as it is, after --help on standard output, after an error on standard error.
    CommandLine(std::string program, std::string usage);

    // An option without a value.
    void Flag(const std::string &name, std::function<void()> apply);
    void Flag(const std::string &name, bool &target);
    // An option with a value: `apply` takes it and returns what is wrong with it ("" when it is taken).
    void Value(const std::string &name, std::function<std::string(const std::string &)> apply);
    void Text(const std::string &name, std::string &target);
    // A number (decimal, optional fraction) from `min` to `max`.
    void Number(const std::string &name, double &target, double min, double max);
    // A whole number from `min` to `max`.
    template <typename T>
    void Whole(const std::string &name, T &target, T min = std::numeric_limits<T>::min(),
               T max = std::numeric_limits<T>::max())
    {
        Value(name, [&target, min, max](const std::string &text) {
            long double value = 0;
            std::string error =
                ParseWhole(text, static_cast<long double>(min), static_cast<long double>(max), value);
            if (error.empty())
                target = static_cast<T>(value);
            return error;
        });
    }
    // Reads argv. Returns kContinue when the program goes on; otherwise its exit status: 0 after
    // -h/--help (the usage on standard output), 2 after an unknown option, a missing value or a
    // value the option does not take (the program's message, then the usage, on standard error).
    int Parse(int argc, char **argv) const;

    // What is wrong with `text` as a whole number from min to max ("" when nothing is).
    static std::string ParseWhole(const std::string &text, long double min, long double max,
                                  long double &value);
    // What is wrong with `text` as a number from min to max ("" when nothing is).
    static std::string ParseNumber(const std::string &text, double min, double max, double &value);

private:
    struct Option
    {
        std::string name;
        bool takesValue;
        std::function<std::string(const std::string &)> apply;
    };
    int Fail(const std::string &message) const;

    std::string mProgram, mUsage;
    std::vector<Option> mOptions;
};

}  // namespace ky::tools
