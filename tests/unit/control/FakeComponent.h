// The component as the host tree can have it: the interfaces served straight from the virtual
// emulator's model on a manual clock that every device call moves on, and a settings key kept in
// memory. Calls are logged as "Op result" ("WriteMemory address length result") so a test can
// read what the control layer asked.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "interface/EmulatorInterfaces.h"
#include "model/VirtualEmulator.h"

class FakeComponent {
public:
    explicit FakeComponent(const std::string& scenarioToml = "");
    ~FakeComponent();
    // The factory to hand to the session: it serves the fake made last.
    static TamberCOCreateInstanceFn Factory();

    VirtualEmulator& Box() { return *box_; }
    ManualClock& Clock() { return clock_; }
    std::map<std::string, std::string>& Settings() { return settings_; }
    std::vector<std::string>& Calls() { return calls_; }
    // How many calls of op the log holds (any result).
    int Count(const std::string& op) const;

    HRESULT Create(REFCLSID clsid, REFIID iid, void** out);
    HRESULT Log(const char* op, HRESULT result);

private:
    Scenario scenario_;
    ManualClock clock_;
    std::unique_ptr<FaultPlan> faults_;
    std::unique_ptr<VirtualEmulator> box_;
    std::map<std::string, std::string> settings_;
    std::vector<std::string> calls_;
};
