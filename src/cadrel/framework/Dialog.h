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
    virtual ~Dialog();                                                           // slot 3

    int OnInitDialog() override;                                                 // slot 1
    virtual int RetrieveAndValidate();                                           // slot 4
    virtual BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);      // slot 5
    virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return 0; }  // slot 6
    virtual int OnCommand(WPARAM wParam, LPARAM lParam) { return 0; }            // slot 7
    virtual int Validate() { return 1; }                                         // slot 8
    virtual int OnOK();                                                          // slot 9

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
