// Not called by the application: kept as a library service for other users.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <iterator>
#include <optional>
#include <ranges>
#include <unordered_map>
#include <utility>
#include <vector>

namespace KestrelExtensions {

// Orders `elements` by the position of each in `reference` (its first equal entry). Elements the
// reference does not hold go before every known one with `unknownsFirst`, after every known one
// without. Elements of equal position keep their order.
template <std::equality_comparable T>
void sortByPosition(std::vector<T>& elements, const std::vector<T>& reference, bool unknownsFirst = false)
{
    const std::ptrdiff_t unknown = unknownsFirst ? -1 : std::ptrdiff_t(reference.size());
    std::vector<std::pair<std::ptrdiff_t, T>> decorated;
    decorated.reserve(elements.size());
    for (T& element : elements) {
        const auto found = std::find(reference.begin(), reference.end(), element);
        const std::ptrdiff_t position = found == reference.end() ? unknown : found - reference.begin();
        decorated.emplace_back(position, std::move(element));
    }
    std::stable_sort(decorated.begin(), decorated.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < decorated.size(); ++i)
        elements[i] = std::move(decorated[i].second);
}

template <std::equality_comparable T>
std::vector<T> sortedByPosition(std::vector<T> elements, const std::vector<T>& reference,
                                bool unknownsFirst = false)
{
    sortByPosition(elements, reference, unknownsFirst);
    return elements;
}

// True when `index` is 0 or more and less than the size.
template <std::ranges::sized_range C> bool isValidIndex(const C& collection, std::ptrdiff_t index)
{
    return index >= 0 && index < std::ptrdiff_t(std::ranges::size(collection));
}

// The element at `index`, or absent outside the collection.
template <std::ranges::random_access_range C>
requires std::ranges::sized_range<C>
auto safeAt(const C& collection, std::ptrdiff_t index) -> std::optional<std::ranges::range_value_t<C>>
{
    if (!isValidIndex(collection, index))
        return std::nullopt;
    return *(std::ranges::begin(collection) + index);
}

// The last index (or, `orBeyond`, any index past it). Computed without adding to `index`, so no
// value overflows.
template <std::ranges::sized_range C>
bool isLastIndex(const C& collection, std::ptrdiff_t index, bool orBeyond = false)
{
    const std::ptrdiff_t last = std::ptrdiff_t(std::ranges::size(collection)) - 1;
    return orBeyond ? index >= last : index == last;
}

// Index 0 (or, `orBefore`, any index before it).
inline bool isFirstIndex(std::ptrdiff_t index, bool orBefore = false)
{
    return orBefore ? index < 1 : index == 0;
}

// The smallest and the largest element; absent for an empty collection.
template <std::ranges::forward_range C>
requires std::totally_ordered<std::ranges::range_value_t<C>>
auto minMax(const C& collection)
    -> std::optional<std::pair<std::ranges::range_value_t<C>, std::ranges::range_value_t<C>>>
{
    if (std::ranges::empty(collection))
        return std::nullopt;
    const auto [smallest, largest] = std::ranges::minmax_element(collection);
    return std::pair{*smallest, *largest};
}

// A value that may or may not hold a wrapped value: optionals themselves, and anything with the same shape.
template <typename T>
concept OptionalConvertible = requires(const T& value)
{
    {
        value.has_value()
        } -> std::convertible_to<bool>;
    *value;
};

// The wrapped values of the elements that hold one, in order.
template <std::ranges::input_range R>
requires OptionalConvertible<std::ranges::range_value_t<R>>
auto removingNils(const R& sequence)
{
    using Wrapped = std::remove_cvref_t<decltype(*std::declval<std::ranges::range_value_t<R>>())>;
    std::vector<Wrapped> values;
    for (const auto& element : sequence) {
        if (element.has_value())
            values.push_back(*element);
    }
    return values;
}

} // namespace KestrelExtensions
