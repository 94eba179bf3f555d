#include "pdf/text/BidiOrder.h"

#include <algorithm>

namespace pdf {

using chars::Direction;

std::vector<int> visualToLogical(const std::vector<Direction>& classes, bool rightToLeftLine) {
    const int n = static_cast<int>(classes.size());
    const Direction base = rightToLeftLine ? Direction::RightToLeft : Direction::LeftToRight;
    std::vector<Direction> resolved(classes);

    // W4: one separator between two numbers is part of them ("3.20",
    // "1,000"). W5: terminators next to a number are too ("12%", "$5").
    // W6: other separators and terminators are neutral.
    for (int i = 1; i + 1 < n; ++i) {
        if (resolved[i] == Direction::NumberSeparator && resolved[i - 1] == Direction::Number &&
            resolved[i + 1] == Direction::Number)
            resolved[i] = Direction::Number;
    }
    for (int i = 0; i < n;) {
        if (resolved[i] != Direction::NumberTerminator) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && resolved[j] == Direction::NumberTerminator) ++j;
        bool nextToNumber = (i > 0 && resolved[i - 1] == Direction::Number) ||
                            (j < n && resolved[j] == Direction::Number);
        if (nextToNumber) std::fill(resolved.begin() + i, resolved.begin() + j, Direction::Number);
        i = j;
    }
    for (Direction& d : resolved)
        if (d == Direction::NumberSeparator || d == Direction::NumberTerminator)
            d = Direction::Neutral;

    // W7: a number whose nearest strong neighbour before it is left-to-right
    // is read as left-to-right.
    Direction lastStrong = base;
    for (Direction& d : resolved) {
        if (d == Direction::LeftToRight || d == Direction::RightToLeft) lastStrong = d;
        if (d == Direction::Number && lastStrong == Direction::LeftToRight)
            d = Direction::LeftToRight;
    }

    // N1, N2: numbers act as right-to-left for the neutrals around them.
    auto strongOf = [](Direction d) { return d == Direction::Number ? Direction::RightToLeft : d; };
    for (int i = 0; i < n;) {
        if (resolved[i] != Direction::Neutral) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && resolved[j] == Direction::Neutral) ++j;
        Direction before = i == 0 ? base : strongOf(resolved[i - 1]);
        Direction after = j == n ? base : strongOf(resolved[j]);
        std::fill(resolved.begin() + i, resolved.begin() + j, before == after ? before : base);
        i = j;
    }

    // I1, I2: levels from the base level.
    std::vector<int> level(n);
    int maxLevel = 0;
    for (int i = 0; i < n; ++i) {
        if (rightToLeftLine)
            level[i] = resolved[i] == Direction::RightToLeft ? 1 : 2;
        else
            level[i] = resolved[i] == Direction::LeftToRight ? 0
                       : resolved[i] == Direction::Number    ? 2
                                                             : 1;
        maxLevel = std::max(maxLevel, level[i]);
    }

    // L2: from the highest level down to 1, reverse every run at or above it.
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    for (int l = maxLevel; l >= 1; --l) {
        for (int i = 0; i < n;) {
            if (level[i] < l) {
                ++i;
                continue;
            }
            int j = i;
            while (j < n && level[j] >= l) ++j;
            std::reverse(order.begin() + i, order.begin() + j);
            std::reverse(level.begin() + i, level.begin() + j);
            i = j;
        }
    }
    return order;
}

}  // namespace pdf
