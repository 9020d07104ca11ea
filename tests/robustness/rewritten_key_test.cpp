// The saver starting again and again while another process rewrites the key.
#include "tests/scene/scene_support.h"
#include "tests/support/process.h"
#include "tests/support/record.h"
#include "tests/support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(RewrittenKey, EachStartReadsSomeMixOfTheOldAndNewValues)
{
    RegistrySandbox sandbox;
    Process rewriter('"' + SiblingProgram("registry_rewriter.exe") + "\" " + sandbox.Path());
    ASSERT_TRUE(rewriter.Started());
    HKEY key = nullptr;
    ASSERT_TRUE(PumpMessagesUntil([&] { return RegOpenKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS; }, 10000));
    RegCloseKey(key);

    const SS_Data old = DefaultData, fresh = DistinctRecord();
    WindowScene scene(200, 16, 16);
    int mixed = 0;
    for (int start = 0; start < 300; ++start) {
        ActualData = SS_Data{};
        ReadConfig();
        int fromOld = 0, fromNew = 0;
        for (const FieldInfo& field : Fields) {
            const std::uint32_t bits = FieldBits(ActualData, field);
            fromOld += bits == FieldBits(old, field);
            fromNew += bits == FieldBits(fresh, field);
            ASSERT_TRUE(bits == FieldBits(old, field) || bits == FieldBits(fresh, field)) << field.Name << " at start " << start;
        }
        mixed += fromOld != FIELD_COUNT && fromNew != FIELD_COUNT;
        scene->SetSSData(ActualData);
        for (int tick = 0; tick < 5; ++tick)
            scene->Timer();
        ASSERT_TRUE(std::isfinite(scene->PointSize) && std::isfinite(scene->Cloud[0][0]));
    }
    EXPECT_FALSE(rewriter.Wait(0)) << "the rewriter stopped early";
    std::printf("%d of 300 starts read a mix of the two records\n", mixed);
    EXPECT_GT(mixed, 0) << "the reads never met a write half done";
}
