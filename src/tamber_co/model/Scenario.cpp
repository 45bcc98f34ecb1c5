#include "model/Scenario.h"

Scenario DefaultScenario()
{
    Scenario s;
    s.devices = {
        {0, "QUANTUM", "FIREBALL ST3.2S", "0F0C"},
        {7, "MATSHITA", "PD-1 LF-1000", "A104"},
        {4, "YAMAHA", "CDR100", "1.06"},
    };
    return s;
}
