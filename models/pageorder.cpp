#include "pageorder.h"

namespace spartiti {

std::optional<PageRef> adjacentPage(PageRef from, int step, int scoreCount,
                                    const std::function<bool(const PageRef &)> &exists)
{
    // Pages are numbered 2n - 2 (left) and 2n - 1 (right) in reading order.
    const int last = 2 * scoreCount - 1;
    for (int index = 2 * (from.number - 1) + (from.right ? 1 : 0) + step; index >= 0 && index <= last;
         index += step) {
        const PageRef page{index / 2 + 1, index % 2 == 1};
        if (exists(page))
            return page;
    }
    return std::nullopt;
}

} // namespace spartiti
