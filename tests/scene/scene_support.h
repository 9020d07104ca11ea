// Helpers for the scene tests: chosen random draws, and scenes with a real
// OpenGL context in a hidden window.
#pragma once

#include "scene/oglscene.h"

#include <cstdint>
#include <memory>
#include <vector>

// Feeds the scene these draws for as long as it lives; running out fails the test.
class ScriptedDraws {
public:
    explicit ScriptedDraws(std::vector<int> draws);
    ~ScriptedDraws();
    ScriptedDraws(const ScriptedDraws&) = delete;
    ScriptedDraws& operator=(const ScriptedDraws&) = delete;

    std::size_t Used() const { return next_; }

private:
    static int Next();

    std::vector<int> draws_;
    std::size_t next_ = 0;
};

// Context factories for SceneCreateContext that fail: one makes no context, the
// other a handle that no context has, so that making it current fails.
HGLRC WINAPI NoContext(HDC);
HGLRC WINAPI StaleContext(HDC);

// A scene created on a hidden window, its context current.
class WindowScene {
public:
    explicit WindowScene(unsigned char spriteValue = 255, int width = 128, int height = 128);
    ~WindowScene();
    WindowScene(const WindowScene&) = delete;
    WindowScene& operator=(const WindowScene&) = delete;

    OGLSCENE* operator->() { return scene_.get(); }
    OGLSCENE& operator*() { return *scene_; }
    HWND Window() const { return window_; }

    // Draws the frame and reads it back, RGB rows from the bottom up.
    std::vector<std::uint8_t> Frame();
    // Settings that draw every point at the origin, size 8, in white.
    static SS_Data OriginPoints(std::int32_t count);

private:
    int width_, height_;
    HWND window_;
    std::unique_ptr<OGLSCENE> scene_;
};
