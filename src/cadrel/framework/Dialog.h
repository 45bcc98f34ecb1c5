// A dialog built from a template in the program's resources, run modally or modelessly.
#pragma once
#include <windows.h>
#include "framework/WindowObject.h"

// The program's own message: never goes through Windows; the runner calls DialogProc with it
// to bind the object to its window (lParam = the Dialog).
constexpr UINT DialogInitMessage = 2024;

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class Dialog : public WindowObject {
public:
    Dialog(int templateId, HWND owner) : WindowObject(owner), templateId_(templateId) {}
    virtual ~Dialog();

    int OnInitDialog() override;
    virtual int RetrieveAndValidate();
    virtual BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return 0; }
    virtual int OnCommand(WPARAM wParam, LPARAM lParam) { return 0; }
    virtual int Validate() { return 1; }
    virtual int OnOK();

    // The result Close gave, or 0 when no window was made or the dialog closed while initialising.
    int RunModal();
    HWND CreateModeless();
    void Close(int result);

    int TemplateId() const { return templateId_; }
    int IsModal() const { return modal_; }

protected:
    void SetModal(int modal) { modal_ = modal; }

private:
    HWND Create();

    int modal_ = 0;
    int templateId_;
};
