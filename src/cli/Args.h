#pragma once

#include "platform/Result.h"

#include <optional>
#include <string>
#include <vector>

namespace quarlo::cli {

// The words of one command, taken apart as the command asks for its options. Options may
// stand anywhere among the positional words; "--name=value" and "--name value" both work;
// "--" ends the options.
class Args {
public:
    explicit Args(std::vector<std::string> words);

    // True (and the word consumed) when the flag is present.
    bool flag(const std::string& name);
    // The value of an option taking one; a missing value is recorded as an error.
    std::optional<std::string> option(const std::string& name);
    // Every value of an option that may be repeated.
    std::vector<std::string> options(const std::string& name);
    // An integer option; a value that is not a whole number is recorded as an error.
    std::optional<long long> intOption(const std::string& name);

    // The positional words left once the options are consumed. Fails when a word that
    // looks like an option is left over, or when an option lacked its value.
    Result<std::vector<std::string>> positional() const;

private:
    std::optional<std::string> take(const std::string& name);

    std::vector<std::string> m_words;
    std::vector<bool> m_used;
    std::string m_problem;
};

} // namespace quarlo::cli
