#pragma once

#include <functional>
#include <optional>

namespace spartiti {

// One page of the catalogue: a score's left or right page.
struct PageRef
{
    int number = 0;
    bool right = false;

    bool operator==(const PageRef &) const = default;
};

// The page after (step 1) or before (step -1) `from` in reading order: the left page,
// the right page, then the next score's left page, among scores 1..scoreCount, skipping
// the pages for which `exists` is false. None past either end.
std::optional<PageRef> adjacentPage(PageRef from, int step, int scoreCount,
                                    const std::function<bool(const PageRef &)> &exists);

} // namespace spartiti
