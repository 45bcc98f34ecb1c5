// The commands that act on the box: the mode, a reset, the devices, a gold disc cut.
#pragma once
#include <cstdint>

class Connection;

// waitSeconds < 0: no wait for the box to be ready.
int RunMode(Connection& connection, int mode, int waitSeconds);
int RunReset(Connection& connection, int waitSeconds);

struct DeviceOptions {
    enum Action { List, Emulate, Cutter } action = List;
    uint32_t number = 0;
    bool json = false;
};
int RunDevices(Connection& connection, const DeviceOptions& options);

struct CutOptions {
    int speed = 1;  // 1, 2 or 4
    bool test = false;
    bool noWait = false;
};
int RunCut(Connection& connection, const CutOptions& options);
