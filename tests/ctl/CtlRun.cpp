#include "CtlRun.h"
#include <gtest/gtest.h>

CtlHome::CtlHome() : StateFolder("cadrelctl-"), program_(BesidePath("cadrelctl.exe")) {}

void CtlHome::KeepBox()
{
    keeper_ = std::make_unique<Component>();
    ASSERT_NE(keeper_->Device(false), nullptr);
}

// Only the program's calls go to the trace, not the test's own look at the settings.
CtlResult CtlHome::Run(const std::string& args, const std::string& ctrlCWhen)
{
    SetEnvironmentVariableA("TAMBER_TRACE", TracePath().c_str());
    const CtlResult result = RunProgram("\"" + program_ + "\" " + args, Home(), ctrlCWhen);
    SetEnvironmentVariableA("TAMBER_TRACE", nullptr);
    return result;
}

int CtlHome::Count(const std::string& traced) const
{
    int count = 0;
    for (const std::string& line : TraceLines())
        count += line.find(traced) != std::string::npos;
    return count;
}

