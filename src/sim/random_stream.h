#pragma once

#include <cstdint>
#include <initializer_list>

namespace quelvar::sim {

// A reproducible stream of random numbers (SplitMix64): small, fast, and the
// same on every machine, so that a farm given one seed and the same traffic
// makes the same choices run after run. Not for anything secret.
class RandomStream {
  public:
    explicit RandomStream(std::uint64_t seed = 0) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // True with probability p (0 never, 1 always). Always takes one number,
    // so that a rate of 0 keeps the stream where a rate above 0 would.
    bool chance(double p) { return unit() < p; }

    // Uniform in [low, high]; low when high is not above it.
    std::int64_t between(std::int64_t low, std::int64_t high) {
        std::uint64_t value = next();
        if (high <= low) return low;
        return low + static_cast<std::int64_t>(value % static_cast<std::uint64_t>(high - low + 1));
    }

  private:
    std::uint64_t state_;
};

// The seed of one of several independent streams drawn from one seed: the
// same parts give the same seed, and any change of a part another.
inline std::uint64_t DeriveSeed(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0,
                                std::uint64_t c = 0) {
    std::uint64_t mixed = seed;
    for (std::uint64_t part : {a, b, c}) mixed = RandomStream(mixed ^ part).next();
    return mixed;
}

}  // namespace quelvar::sim
