#pragma once

#include <algorithm>

// The middle of the values once sorted (the upper one of an even count); zero when there are
// none. Works on std::vector and QList alike.
template <typename List>
typename List::value_type median(List values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? typename List::value_type() : values[values.size() / 2];
}
