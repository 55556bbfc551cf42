// The only translation unit that compiles the argument parser.
#include "cli_app.h"

#include <algorithm>
#include <limits>
#include <list>

#include <CLI/CLI.hpp>

#include "exit_status.h"
#include "numbers.h"

namespace orvtool {

struct Cli::Impl {
    CLI::App app;
    Action action;
    // The message of the check that refused a value: the parser's own wording is replaced
    // by it.
    std::string refused;
    std::string name;
    bool suggest = true;
    std::list<std::map<std::string, CLI::Option *>> options;
    Impl(const std::string &description, const std::string &program)
        : app(description, program), name(program) {}
};

bool FindChoice(const Choices &choices, const std::string &name, int *code) {
    for (const auto &c : choices)
        if (c.first == name) {
            *code = c.second;
            return true;
        }
    return false;
}

std::string ChoiceList(const Choices &choices) {
    std::string list;
    for (const auto &c : choices)
        list += (list.empty() ? "" : "|") + c.first;
    return list;
}

namespace {

// The option's name as a user types it: its long name, else its short one, else the
// positional's name.
std::string Shown(const std::string &names) {
    std::string best;
    size_t start = 0;
    while (start <= names.size()) {
        size_t comma = names.find(',', start);
        if (comma == std::string::npos)
            comma = names.size();
        const std::string name = names.substr(start, comma - start);
        if (best.empty() || name.rfind("--", 0) == 0)
            best = name;
        start = comma + 1;
    }
    return best;
}

template <typename T>
Check WholeNumber(const std::string &name, T min) {
    return [name, min](const std::string &text) -> std::string {
        int64_t v = 0;
        if (!ParseInt64(text, &v))
            return name + " takes a whole number, not '" + text + "'";
        if (v < static_cast<int64_t>(min))
            return name + " must be at least " + std::to_string(static_cast<int64_t>(min));
        if (v > static_cast<int64_t>(std::numeric_limits<T>::max()))
            return name + " must be at most " +
                   std::to_string(static_cast<int64_t>(std::numeric_limits<T>::max()));
        return "";
    };
}

// Levenshtein distance, for the nearest command to a mistyped one.
size_t Distance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

}  // namespace

CLI::Option *Command::Add(const std::string &names, const std::string &help, Check check,
                          std::function<void(const std::string &)> store, bool many) {
    Cli::Impl *impl = cli_->impl_.get();
    // The values are stored by the check below, as each is read.
    CLI::Option *o = many ? app_->add_option_function<std::vector<std::string>>(
                                names, [](const std::vector<std::string> &) {}, help)
                          : app_->add_option_function<std::string>(
                                names, [](const std::string &) {}, help);
    o->check(CLI::Validator(
        [impl, check, store](std::string &text) -> std::string {
            const std::string why = check ? check(text) : std::string();
            if (!why.empty()) {
                impl->refused = why;
                return why;
            }
            store(text);
            return "";
        },
        ""));
    Keep(names, o);
    return o;
}

Command &Command::Keep(const std::string &names, CLI::Option *option) {
    last_ = option;
    (*options_)[Shown(names)] = option;
    return *this;
}

Command &Command::Text(const std::string &names, std::string *value, const std::string &help,
                       Check check) {
    Add(
        names, help, check, [value](const std::string &t) { *value = t; }, false);
    return *this;
}

Command &Command::Texts(const std::string &names, std::vector<std::string> *values,
                        const std::string &help, Check check) {
    Add(
        names, help, check, [values](const std::string &t) { values->push_back(t); }, true);
    return *this;
}

Command &Command::Value(const std::string &names, const std::string &help, Check parse,
                        const std::string &type) {
    Add(
        names, help, parse, [](const std::string &) {}, false)
        ->type_name(type);
    return *this;
}

Command &Command::Int(const std::string &names, int *value, const std::string &help, int min) {
    Add(
        names, help, WholeNumber<int>(Shown(names), min),
        [value](const std::string &t) { ParseInt(t, value); }, false)
        ->type_name("INT");
    return *this;
}

Command &Command::Int64(const std::string &names, int64_t *value, const std::string &help,
                        int64_t min) {
    Add(
        names, help, WholeNumber<int64_t>(Shown(names), min),
        [value](const std::string &t) { ParseInt64(t, value); }, false)
        ->type_name("INT");
    return *this;
}

Command &Command::Int64s(const std::string &names, std::vector<int64_t> *values,
                         const std::string &help, int64_t min) {
    Add(
        names, help, WholeNumber<int64_t>(Shown(names), min),
        [values](const std::string &t) {
            int64_t v = 0;
            ParseInt64(t, &v);
            values->push_back(v);
        },
        true)
        ->type_name("INT");
    return *this;
}

Command &Command::Positive(const std::string &names, double *value, const std::string &help) {
    const std::string name = Shown(names);
    Add(
        names, help,
        [name](const std::string &t) -> std::string {
            double v = 0;
            if (!ParseNumber(t, &v))
                return name + " takes a number, not '" + t + "'";
            return v > 0 ? "" : name + " must be above 0";
        },
        [value](const std::string &t) { ParseNumber(t, value); }, false)
        ->type_name("NUMBER");
    return *this;
}

Command &Command::Choice(const std::string &names, int *value, const Choices &choices,
                         const std::string &help) {
    const std::string list = ChoiceList(choices);
    const std::string name = Shown(names);
    Add(
        names, help,
        [name, choices, list](const std::string &t) -> std::string {
            int code = 0;
            return FindChoice(choices, t, &code)
                       ? ""
                       : name + " must be one of " + list + ", not '" + t + "'";
        },
        [value, choices](const std::string &t) { FindChoice(choices, t, value); }, false)
        ->type_name(list);
    return *this;
}

Command &Command::Flag(const std::string &names, bool *value, const std::string &help) {
    return Keep(names, app_->add_flag(names, *value, help));
}

Command &Command::Number(const std::string &names, int *value, const std::string &help,
                         Bound bound) {
    return Keep(names, app_->add_option(names, *value, help)
                           ->check(bound == Bound::kPositive ? CLI::PositiveNumber
                                                             : CLI::NonNegativeNumber));
}

Command &Command::Number(const std::string &names, double *value, const std::string &help,
                         Bound bound) {
    return Keep(names, app_->add_option(names, *value, help)
                           ->check(bound == Bound::kPositive ? CLI::PositiveNumber
                                                             : CLI::NonNegativeNumber));
}

Command &Command::Number(const std::string &names, double *value, const std::string &help,
                         double min, double max) {
    return Keep(names, app_->add_option(names, *value, help)->check(CLI::Range(min, max)));
}

Command &Command::Required() {
    last_->required();
    return *this;
}

Command &Command::ShowDefault(const std::string &text) {
    last_->default_str(text);
    return *this;
}

Command &Command::ShowDefault() {
    last_->capture_default_str();
    return *this;
}

Command &Command::Excludes(const std::string &name) {
    last_->excludes(options_->at(name));
    return *this;
}

void Command::Runs(Action run) {
    Cli::Impl *impl = cli_->impl_.get();
    app_->callback([impl, run] { impl->action = run; });
}

Cli::Cli(const std::string &name, const std::string &description, const std::string &footer)
    : impl_(new Impl(description, name)) {
    impl_->app.require_subcommand(1);
    impl_->app.footer(footer);
    // A program's option after the command (orv-camera list -v) is the program's.
    impl_->app.fallthrough();
    // The parser's own refusals carry the program's name, as every other message does.
    impl_->app.failure_message([name](const CLI::App *app, const CLI::Error &e) {
        return name + ": " + CLI::FailureMessage::simple(app, e);
    });
    SetProgramName(name);
}

void Cli::SuggestCommands(bool on) {
    impl_->suggest = on;
}

Cli::~Cli() = default;

Command Cli::Add(const std::string &name, const std::string &help) {
    Command c(this, impl_->app.add_subcommand(name, help));
    impl_->options.emplace_back();
    c.options_ = &impl_->options.back();
    return c;
}

void Cli::Version(const std::string &text) {
    impl_->app.set_version_flag("--version", text, "Print the version and exit");
}

Command Cli::Global() {
    Command c(this, &impl_->app);
    impl_->options.emplace_back();
    c.options_ = &impl_->options.back();
    return c;
}

int Cli::Run(int argc, char **argv, const std::function<void()> &before_command) {
    CLI::App &app = impl_->app;
    // The first word that is not an option names the command: a mistyped one is named, with
    // the nearest command offered.
    for (int i = 1; impl_->suggest && i < argc; ++i) {
        const std::string word = argv[i];
        if (word.empty() || word[0] == '-')
            continue;
        std::string nearest;
        size_t best = 3;  // further than two edits away is no suggestion
        for (const CLI::App *sub : app.get_subcommands({})) {
            if (sub->get_name() == word) {
                best = 0;
                nearest.clear();
                break;
            }
            const size_t d = Distance(word, sub->get_name());
            if (d < best) {
                best = d;
                nearest = sub->get_name();
            }
        }
        if (best == 0)
            break;
        return Fail(kUsage, "unknown command '" + word + "'" +
                                (nearest.empty() ? "" : " (did you mean '" + nearest + "'?)") +
                                "; " + impl_->name + " --help lists them");
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ValidationError &e) {
        // A check of ours says it plainly; the parser's own checks (Number) keep its words.
        if (!impl_->refused.empty())
            return Fail(kUsage, impl_->refused);
        return app.exit(e) == 0 ? kOk : kUsage;
    } catch (const CLI::ParseError &e) {
        return app.exit(e) == 0 ? kOk : kUsage;
    }
    before_command();
    return impl_->action ? impl_->action() : kUsage;
}

}  // namespace orvtool
