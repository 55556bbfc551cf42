// The command line of a tool: subcommands and their options, bound to the caller's variables.
// The argument parser lives in cli_app.cpp alone, so it is compiled once.
//
// Every value is checked where it is parsed: a number out of range or a name not offered ends
// the parse with one plain line ("--fps must be at least 1") and exit status 2, before any
// device is touched. Number() options are the exception: the parser converts and checks them
// and refuses in its own words.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <utility>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace orvtool {

// The run of one command; returns its exit code (exit_status.h).
using Action = std::function<int()>;
// A check of one value: "" when it is good, else the whole message.
using Check = std::function<std::string(const std::string &)>;
// The names an option takes, in the order help shows them, and the code each stands for.
using Choices = std::vector<std::pair<std::string, int>>;
// The code of `name` among `choices`; false when it is none of them.
bool FindChoice(const Choices &choices, const std::string &name, int *code);
// "a|b|c".
std::string ChoiceList(const Choices &choices);

class Cli;

// The bounds of a Number().
enum class Bound { kPositive, kNonNegative };

// One subcommand being declared. Names are "-d,--device" for an option, "id" for a positional
// argument. Each declaration returns *this; Required, ShowDefault and Excludes apply to the
// option declared last.
class Command {
  public:
    Command &Text(const std::string &names, std::string *value, const std::string &help,
                  Check check = nullptr);
    Command &Texts(const std::string &names, std::vector<std::string> *values,
                   const std::string &help, Check check = nullptr);
    // A value `parse` checks and keeps itself ("" when it took it, else the whole message);
    // help names it `type`.
    Command &Value(const std::string &names, const std::string &help, Check parse,
                   const std::string &type = "TEXT");
    // Whole numbers (decimal or 0x hexadecimal) of at least `min`.
    Command &Int(const std::string &names, int *value, const std::string &help, int min);
    Command &Int64(const std::string &names, int64_t *value, const std::string &help, int64_t min);
    Command &Int64s(const std::string &names, std::vector<int64_t> *values, const std::string &help,
                    int64_t min);
    // A number above 0 (seconds and the like).
    Command &Positive(const std::string &names, double *value, const std::string &help);
    // One of the names of `choices`; *value takes its code. Help shows "a|b|c".
    Command &Choice(const std::string &names, int *value, const Choices &choices,
                    const std::string &help);
    Command &Flag(const std::string &names, bool *value, const std::string &help);
    // A number the parser converts and checks itself: "--rate: Value 0 not in range ...",
    // "Could not convert: --rate = 4.5", then "Run with --help for more information.".
    // Help shows INT or FLOAT.
    Command &Number(const std::string &names, int *value, const std::string &help, Bound bound);
    Command &Number(const std::string &names, double *value, const std::string &help, Bound bound);
    // Between min and max, both included.
    Command &Number(const std::string &names, double *value, const std::string &help, double min,
                    double max);

    Command &Required();
    Command &ShowDefault(const std::string &text);
    // Help shows the value a Number's variable holds now.
    Command &ShowDefault();
    // The last option may not be given with the earlier one of this name.
    Command &Excludes(const std::string &name);
    // What runs when the command line names this command.
    void Runs(Action run);

  private:
    friend class Cli;
    Command(Cli *cli, CLI::App *app) : cli_(cli), app_(app) {}
    CLI::Option *Add(const std::string &names, const std::string &help, Check check,
                     std::function<void(const std::string &)> store, bool many);
    Command &Keep(const std::string &names, CLI::Option *option);
    Cli *cli_;
    CLI::App *app_;
    CLI::Option *last_ = nullptr;
    std::map<std::string, CLI::Option *> *options_ = nullptr;
};

class Cli {
  public:
    Cli(const std::string &name, const std::string &description, const std::string &footer);
    ~Cli();
    Cli(const Cli &) = delete;
    Cli &operator=(const Cli &) = delete;

    // A mistyped command is named, with the nearest command offered (the default); off, the
    // parser's own message stands ("A subcommand is required").
    void SuggestCommands(bool on);

    Command Add(const std::string &name, const std::string &help);
    // Options of the program itself, before or after the command.
    Command Global();
    // --version prints `text` and ends with status 0.
    void Version(const std::string &text);
    // Parses the command line and runs the command it names: the command's exit code, 0 after
    // --help, 2 for a wrong command line (said on standard error).
    int Run(int argc, char **argv, const std::function<void()> &before_command);

  private:
    friend class Command;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvtool
