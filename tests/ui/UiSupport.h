// What the window tests share: a test dialog with hooks, and the main window as an owner.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <functional>
#include "framework/Dialog.h"
#include "resources/ResourceIds.h"

// A dialog whose initialisation and close check a test can replace.
class TestDialog : public Dialog {
public:
    TestDialog(int templateId, HWND owner) : Dialog(templateId, owner) {}
    int OnInitDialog() override
    {
        const int result = Dialog::OnInitDialog();
        if (onInit) onInit();
        return result;
    }
    int CanClose() override { return canClose ? canClose() : 1; }
    std::function<void()> onInit;
    std::function<int()> canClose;
};

// The main window's template, shown modeless, owns the dialogs under test. A dialog still open
// after 30 s has its loop ended (RunModal gives -999): the test fails instead of hanging.
class HostedTest : public testing::Test {
protected:
    void SetUp() override
    {
        deadline = SetTimer(nullptr, 0, 30000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(-999); });
        ASSERT_NE(nullptr, host.CreateModeless()) << "main window template did not load";
    }
    void TearDown() override
    {
        host.Close(0);
        KillTimer(nullptr, deadline);
        MSG msg;  // a quit posted after the last loop ended must not reach the next test
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) continue;
    }
    HWND Host() const { return host.Window(); }
    TestDialog host{IDD_MAIN, nullptr};
    UINT_PTR deadline = 0;
};
