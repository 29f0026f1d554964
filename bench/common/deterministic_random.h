#pragma once
// A small LCG for the benchmarks' generated mailboxes: the same seed gives the
// same mail on every machine, whatever the standard library's engines do.

#include <cstddef>
#include <cstdint>

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::size_t Below(std::size_t n) { return Next() % n; }
    std::size_t Between(std::size_t low, std::size_t high) { return low + Next() % (high - low + 1); }

private:
    std::uint64_t state_;
};
