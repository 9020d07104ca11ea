// A reproducible stream of draws for the scene in place of the C library's, and
// the same stream for the tests' own random choices.
#pragma once

#include <cstdint>
#include <random>

class SeededDraws {
public:
    explicit SeededDraws(std::uint32_t seed);
    ~SeededDraws();
    SeededDraws(const SeededDraws&) = delete;
    SeededDraws& operator=(const SeededDraws&) = delete;

    std::mt19937& Engine() { return engine_; }

private:
    static int Next();

    std::mt19937 engine_;
};
