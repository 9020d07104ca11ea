#include "tests/scene/scene_support.h"

#include "tests/support/scene_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {
ScriptedDraws* current = nullptr;
}

ScriptedDraws::ScriptedDraws(std::vector<int> draws) : draws_(std::move(draws))
{
    current = this;
    SceneRandom = Next;
}

ScriptedDraws::~ScriptedDraws()
{
    SceneRandom = std::rand;
    current = nullptr;
}

int ScriptedDraws::Next()
{
    if (current->next_ == current->draws_.size()) {
        ADD_FAILURE() << "the scene wanted more than " << current->draws_.size() << " draws";
        return 0;
    }
    return current->draws_[current->next_++];
}

HGLRC WINAPI NoContext(HDC)
{
    return nullptr;
}

HGLRC WINAPI StaleContext(HDC)
{
    return reinterpret_cast<HGLRC>(static_cast<std::uintptr_t>(0x7ff0));
}

WindowScene::WindowScene(unsigned char spriteValue, int width, int height)
    : width_(width), height_(height), window_(OpenSceneWindow(width, height, WS_POPUP)),
      scene_(std::make_unique<OGLSCENE>())
{
    const std::vector<unsigned char> sprite(SPRITE_TEXELS, spriteValue);
    scene_->Create(window_, sprite.data());
    scene_->Resize(static_cast<float>(width), static_cast<float>(height));
}

WindowScene::~WindowScene()
{
    scene_->Destroy(window_);
    DestroyWindow(window_);
}

std::vector<std::uint8_t> WindowScene::Frame()
{
    DrawFrame(*scene_);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_) * height_ * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

SS_Data WindowScene::OriginPoints(std::int32_t count)
{
    SS_Data data = DefaultData;
    data.BCol_R = data.BCol_G = data.BCol_B = 0;
    data.SCol_R = data.SCol_G = data.SCol_B = 1.0f;
    data.Sizing = 2;
    data.Size_Max = 8.0f;
    data.PointCount = count;
    data.Spread = 0.0f;
    return data;
}
