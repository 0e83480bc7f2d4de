#pragma once

#include <cstdint>
#include <random>

// The show's random choices: reseeded at every scene, then drawn in a fixed order.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Seed(uint32_t dwSeed) = 0;
    // A value from lo to hi inclusive, each equally likely.
    virtual uint32_t Uniform(uint32_t lo, uint32_t hi) = 0;
};

class StdRandom : public RandomSource {
public:
    void Seed(uint32_t dwSeed) override { m_engine.seed(dwSeed); }
    uint32_t Uniform(uint32_t lo, uint32_t hi) override {
        return std::uniform_int_distribution<uint32_t>(lo, hi)(m_engine);
    }

private:
    std::mt19937 m_engine;
};
