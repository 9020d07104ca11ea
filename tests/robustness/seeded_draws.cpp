#include "tests/robustness/seeded_draws.h"

#include "scene/oglscene.h"

#include <cstdlib>

namespace {
SeededDraws* current = nullptr;
}

SeededDraws::SeededDraws(std::uint32_t seed) : engine_(seed)
{
    current = this;
    SceneRandom = Next;
}

SeededDraws::~SeededDraws()
{
    SceneRandom = std::rand;
    current = nullptr;
}

int SeededDraws::Next()
{
    return static_cast<int>(current->engine_() & 0x7FFF);
}
