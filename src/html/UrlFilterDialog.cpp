#include "html/UrlFilterDialog.h"

#include <array>
#include <utility>

namespace quarlo {

namespace {

constexpr int kFirstIncludeLabel = 747;
constexpr int kFirstExcludeLabel = 750;

// Catalogue texts 747 to 752. An entry is matched as one text, so the labels speak of one
// text per entry; the include list follows a link when any of its entries matches.
constexpr std::array<std::string_view, 6> kLabels{{
    "All links must contain this text to be followed (a \"?\" stands for any one character).",
    "Page links must contain this text to be followed (a \"?\" stands for any one character).",
    "Resource links must contain this text to be followed (a \"?\" stands for any one "
    "character).",
    "Links that contain this text are not followed (a \"?\" stands for any one character).",
    "Page links that contain this text are not followed (a \"?\" stands for any one "
    "character).",
    "Resource links that contain this text are not followed (a \"?\" stands for any one "
    "character).",
}};

int scopeIndex(FilterScope scope) {
    switch (scope) {
    case FilterScope::AllLinks:
        return 0;
    case FilterScope::PageLinks:
        return 1;
    case FilterScope::ResourceLinks:
        return 2;
    case FilterScope::Untagged:
        break;
    }
    return -1;
}

} // namespace

std::string_view filterKindName(FilterKind kind) {
    return kind == FilterKind::Include ? "Inc" : "Ex";
}

std::optional<FilterKind> filterKindFromName(std::string_view name) {
    if (name == "Inc") {
        return FilterKind::Include;
    }
    if (name == "Ex") {
        return FilterKind::Exclude;
    }
    return std::nullopt;
}

FilterScope scopeOfTag(std::string_view tag) {
    for (FilterScope scope :
         {FilterScope::AllLinks, FilterScope::PageLinks, FilterScope::ResourceLinks}) {
        if (tag == scopeTag(scope)) {
            return scope;
        }
    }
    return FilterScope::Untagged;
}

int urlFilterLabelNumber(FilterKind kind, std::string_view tag) {
    const int index = scopeIndex(scopeOfTag(tag));
    if (index < 0) {
        return 0;
    }
    return (kind == FilterKind::Include ? kFirstIncludeLabel : kFirstExcludeLabel) + index;
}

std::string urlFilterLabel(FilterKind kind, std::string_view tag) {
    const int number = urlFilterLabelNumber(kind, tag);
    if (number == 0) {
        return std::string(defaultUrlFilterLabel());
    }
    return std::string(kLabels[static_cast<std::size_t>(number - kFirstIncludeLabel)]);
}

std::string_view defaultUrlFilterLabel() {
    return "All links must contain all of the following characters, words or phrases. "
           "Separate each with a comma.";
}

std::string_view urlFilterListHeading(FilterKind kind) {
    return kind == FilterKind::Include
               ? "URL's MUST contain one of the following characters, words or phrases."
               : "URL's MUST NOT contain any of the following characters, words or phrases.";
}

std::string_view urlFilterMenuCaption(FilterKind kind, FilterScope scope) {
    constexpr std::array<std::string_view, 3> kInclude{"All links must contain...",
                                                       "Page links must contain...",
                                                       "Resource links must contain..."};
    constexpr std::array<std::string_view, 3> kExclude{"All links must not contain...",
                                                       "Page links must not contain...",
                                                       "Resource links must not contain..."};
    const int index = scopeIndex(scope);
    if (index < 0) {
        return {};
    }
    const auto& captions = kind == FilterKind::Include ? kInclude : kExclude;
    return captions[static_cast<std::size_t>(index)];
}

std::string editScopeTag(const std::vector<std::string>& list, std::size_t selected) {
    if (selected < list.size()) {
        const FilterScope own = parseFilterEntry(list[selected]).scope;
        if (own != FilterScope::Untagged) {
            return std::string(scopeTag(own));
        }
    }
    for (FilterScope scope :
         {FilterScope::AllLinks, FilterScope::PageLinks, FilterScope::ResourceLinks}) {
        const std::string_view tag = scopeTag(scope);
        for (const std::string& entry : list) {
            if (entry.find(tag) != std::string::npos) {
                return std::string(tag);
            }
        }
    }
    return {};
}

UrlFilterDialog::UrlFilterDialog(FilterKind kind, std::string tag, std::string text, bool editing)
    : m_kind(kind), m_tag(std::move(tag)), m_text(std::move(text)), m_editing(editing) {}

UrlFilterDialog UrlFilterDialog::forAdd(FilterKind kind, std::string tag) {
    return UrlFilterDialog(kind, std::move(tag), {}, false);
}

UrlFilterDialog UrlFilterDialog::forEdit(FilterKind kind, std::string tag, std::string entry) {
    return UrlFilterDialog(kind, std::move(tag), std::move(entry), true);
}

std::string UrlFilterDialog::entry() const {
    return m_editing ? m_text : m_tag + m_text;
}

} // namespace quarlo
