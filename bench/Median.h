#ifndef BENCH_MEDIAN_H
#define BENCH_MEDIAN_H

// The median of the benchmarks' rounds: the middle value, or the mean of the two middle ones
// for an even count; 0 for none.
#include <algorithm>
#include <cstddef>
#include <vector>

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

#endif
