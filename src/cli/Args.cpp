#include "cli/Args.h"

#include <cctype>
#include <charconv>

namespace quarlo::cli {

Args::Args(std::vector<std::string> words) : m_words(std::move(words)), m_used(m_words.size()) {}

bool Args::flag(const std::string& name) {
    bool found = false;
    for (std::size_t i = 0; i < m_words.size(); ++i) {
        if (m_words[i] == "--")
            break;
        if (!m_used[i] && m_words[i] == name) {
            m_used[i] = true;
            found = true;
        }
    }
    return found;
}

std::optional<std::string> Args::take(const std::string& name) {
    const std::string prefix = name + "=";
    for (std::size_t i = 0; i < m_words.size(); ++i) {
        if (m_words[i] == "--")
            break;
        if (m_used[i])
            continue;
        if (m_words[i].compare(0, prefix.size(), prefix) == 0) {
            m_used[i] = true;
            return m_words[i].substr(prefix.size());
        }
        if (m_words[i] == name) {
            m_used[i] = true;
            if (i + 1 >= m_words.size() || m_words[i + 1] == "--") {
                m_problem = "option " + name + " needs a value";
                return std::nullopt;
            }
            m_used[i + 1] = true;
            return m_words[i + 1];
        }
    }
    return std::nullopt;
}

std::optional<std::string> Args::option(const std::string& name) {
    std::optional<std::string> value = take(name);
    // A repeated single-valued option: the last one counts.
    while (auto again = take(name))
        value = again;
    return value;
}

std::vector<std::string> Args::options(const std::string& name) {
    std::vector<std::string> values;
    while (auto value = take(name))
        values.push_back(*value);
    return values;
}

std::optional<long long> Args::intOption(const std::string& name) {
    const auto text = option(name);
    if (!text)
        return std::nullopt;
    long long value = 0;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end || text->empty()) {
        m_problem = "option " + name + " needs a whole number, not \"" + *text + "\"";
        return std::nullopt;
    }
    return value;
}

Result<std::vector<std::string>> Args::positional() const {
    if (!m_problem.empty())
        return Status::failure(m_problem);
    std::vector<std::string> words;
    bool afterDashes = false;
    for (std::size_t i = 0; i < m_words.size(); ++i) {
        if (m_used[i])
            continue;
        if (!afterDashes && m_words[i] == "--") {
            afterDashes = true;
            continue;
        }
        // A negative number is a value, not an option.
        const std::string& word = m_words[i];
        if (!afterDashes && word.size() > 1 && word[0] == '-' &&
            !std::isdigit(static_cast<unsigned char>(word[1])))
            return Status::failure("unknown option " + m_words[i]);
        words.push_back(m_words[i]);
    }
    return words;
}

} // namespace quarlo::cli
