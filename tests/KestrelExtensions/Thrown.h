#pragma once

#include <stdexcept>

// The exception of type E that `action` throws; the test fails when it throws none.
template <typename E, typename F> E thrown(F&& action)
{
    try {
        action();
    } catch (const E& error) {
        return error;
    }
    throw std::logic_error("the expected exception was not thrown");
}
