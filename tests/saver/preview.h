// Runs the saver in preview, in this process, inside a host window of this test.
// Each step runs from the host's timer while the saver's message loop turns;
// the last one ends the preview by destroying the host.
#pragma once

#include "tests/support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

class Preview : public ::testing::Test {
protected:
    using Steps = std::vector<std::pair<UINT, std::function<void()>>>;

    void SetUp() override;
    void TearDown() override;

    // A fresh host whose client area is width x height; RunPreview ends the last one.
    void OpenHost(int width, int height);
    // Runs the preview; after each delay, the next step. Returns how long the saver ran.
    DWORD RunPreview(Steps steps);
    HWND Saver() const;

    // One white point at the centre of the cloud.
    static void StoreOneWhitePoint();

    RegistrySandbox sandbox_;
    HWND host_ = nullptr;

private:
    static void CALLBACK Step(HWND host, UINT, UINT_PTR id, DWORD);

    Steps steps_;
    std::size_t next_ = 0;
    static Preview* current_;
};
