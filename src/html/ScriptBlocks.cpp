#include "html/ScriptBlocks.h"

#include "html/TextSearch.h"

#include <algorithm>

namespace quarlo {

namespace {

constexpr std::string_view kScriptOpen = "<script";
constexpr std::string_view kScriptClose = "/script";

std::vector<std::size_t> matches(std::string_view text, std::string_view pattern) {
    std::vector<std::size_t> found;
    for (std::size_t at = FindText(text, pattern, 1, true); at != 0;
         at = FindText(text, pattern, at + 1, true))
        found.push_back(at - 1);
    return found;
}

} // namespace

bool ScriptBlockIndex::Mark::operator<(const Mark& other) const {
    return at != other.at ? at < other.at : inRewrite < other.inRewrite;
}

ScriptBlockIndex::ScriptBlockIndex(std::string_view text) {
    for (std::size_t at : matches(text, kScriptOpen))
        m_opens.push_back({at, 0, text.find('>', at)});
    for (std::size_t at : matches(text, kScriptClose))
        m_closes.push_back({at, 0});
}

void ScriptBlockIndex::addRewriteMarks(std::vector<Mark>& marks, std::string_view text,
                                       std::string_view pattern, std::size_t start) {
    std::vector<Mark> found;
    for (std::size_t offset : matches(text, pattern))
        found.push_back({start, 1 + offset});
    marks.insert(std::lower_bound(marks.begin(), marks.end(), Mark{start, 1}), found.begin(),
                 found.end());
}

bool ScriptBlockIndex::contains(std::size_t position) const {
    // The last "<script" that ends at or before the position; marks of rewritten text all lie
    // before it, and at most one original mark straddles it ("<script" cannot overlap itself).
    auto open = std::upper_bound(m_opens.begin(), m_opens.end(), Mark{position, 0});
    while (open != m_opens.begin()) {
        --open;
        if (open->inRewrite != 0 || open->at + kScriptOpen.size() - 1 <= position) {
            if (open->inRewrite == 0 &&
                (open->tagEnd == std::string_view::npos || open->tagEnd >= position))
                return false;
            const auto close = std::lower_bound(m_closes.begin(), m_closes.end(), *open);
            return close != m_closes.end() && close->inRewrite == 0 && close->at > position;
        }
    }
    return false;
}

void ScriptBlockIndex::rewrite(std::size_t start, std::string_view old, std::string_view text) {
    if (FindText(old, "script", 1, true) == 0 && FindText(text, "script", 1, true) == 0) {
        return;
    }
    for (std::vector<Mark>* marks : {&m_opens, &m_closes}) {
        std::erase_if(*marks, [&](const Mark& mark) {
            return mark.inRewrite == 0 && mark.at >= start && mark.at < start + old.size();
        });
    }
    addRewriteMarks(m_opens, text, kScriptOpen, start);
    addRewriteMarks(m_closes, text, kScriptClose, start);
}

} // namespace quarlo
