#include "job/EnvironmentBudgets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <sstream>

namespace {

// The variable's value as a positive number, or false (with a warning) when it is set to
// anything else. `whole`: only whole numbers are taken.
bool positiveNumber(const char* name, bool whole, const char* unit, double& value) {
    const char* text = std::getenv(name);
    if (text == nullptr) return false;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double number = 0;
    in >> number;
    if (in && in.peek() == EOF && std::isfinite(number) && number > 0 &&
        (!whole || number == std::floor(number))) {
        value = number;
        return true;
    }
    std::fprintf(stderr, "warning: %s is '%s', not a positive %s; the default is used\n", name,
                 text, unit);
    return false;
}

}  // namespace

pdf::Budgets budgetsFromEnvironment() {
    pdf::Budgets budgets;
    double seconds = 0;
    if (positiveNumber("QUILLONPROXY_PAGE_SECONDS", false, "number of seconds", seconds))
        budgets.pageSeconds = seconds;
    double megabytes = 0;
    // Up to a terabyte: a larger count would overflow the byte count.
    if (positiveNumber("QUILLONPROXY_MEMORY_MB", true, "whole number of megabytes", megabytes))
        budgets.memoryBytes = static_cast<std::size_t>(std::min(megabytes, 1048576.0)) << 20;
    return budgets;
}
