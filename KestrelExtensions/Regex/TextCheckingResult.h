// Not called by the application: kept as a library service for other users.
#pragma once

#include "TextRange.h"

#include <memory>
#include <optional>
#include <vector>

namespace KestrelExtensions {

class RegularExpression;

// One match of a regular expression: the range of the whole match (index 0) and of each capture group.
class TextCheckingResult {
public:
    // Number of ranges: the capture groups plus the whole match.
    qsizetype numberOfRanges() const { return qsizetype(m_ranges.size()); }
    // The range of group `index`; a not-found range for a group that did not take part or is out of range.
    TextRange range(qsizetype index = 0) const;
    TextRange range(const QString& groupName) const;

    // The text of group `index` in `searched` (the string that was searched); absent when the group did
    // not take part or its range does not fall inside `searched`.
    std::optional<QString> string(qsizetype index, const QString& searched) const;
    std::optional<QString> string(const QString& groupName, const QString& searched) const;

private:
    friend class RegularExpression;
    struct Names;
    TextCheckingResult(std::vector<TextRange> ranges, std::shared_ptr<const Names> names)
        : m_ranges(std::move(ranges)), m_names(std::move(names))
    {
    }

    std::vector<TextRange> m_ranges;
    std::shared_ptr<const Names> m_names;
};

} // namespace KestrelExtensions
