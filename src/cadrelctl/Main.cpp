// cadrelctl: the CD emulator from a build script or a terminal. The same control layer as
// cadrel.exe, no window: results on the output stream, what the box says on the error stream,
// and an exit code a Makefile can test.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include "BoxCommands.h"
#include "CadrelVersion.h"
#include "Connection.h"
#include "ExitCodes.h"
#include "ModuleCommands.h"
#include "Status.h"

namespace {

struct Choices {
    StatusOptions status;
    std::string mode;
    int waitReady = -1;
    ModuleOptions modules;
    DeviceOptions devices;
    CutOptions cut;
};

CLI::App* Command(CLI::App& parent, const char* name, const char* description)
{
    CLI::App* command = parent.add_subcommand(name, description);
    command->footer(ExitCodesText);
    return command;
}

void AddWaitReady(CLI::App* command, int& seconds)
{
    command->add_option("--wait-ready", seconds, "Then wait until the CD Emulator is ready, at most SECONDS (exit 4 at the bound)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0, 86400));
}

int Run(Connection& connection, CLI::App& app, const Choices& c)
{
    if (app.got_subcommand("status"))
        return RunStatus(connection, c.status);
    if (app.got_subcommand("mode"))
        return RunMode(connection, c.mode == "emulate" ? 1 : 0, c.waitReady);
    if (app.got_subcommand("reset"))
        return RunReset(connection, c.waitReady);
    if (app.got_subcommand("modules"))
        return RunModules(connection, c.modules);
    if (app.got_subcommand("devices"))
        return RunDevices(connection, c.devices);
    return RunCut(connection, c.cut);
}

}  // namespace

int main(int argc, char** argv)
{
    // A console program must never wait for a click: no system error boxes either.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    CLI::App app{"cadrelctl " CADREL_VERSION_TEXT ": the Tamber CD emulator from a build script or a terminal.\n"
                 "Results go to standard output; the CD Emulator's messages, warnings and progress to standard error.",
                 "cadrelctl"};
    app.set_version_flag("--version", CADREL_VERSION_TEXT, "Print the version and exit");
    app.require_subcommand(1);
    app.footer(ExitCodesText);
    Choices c;

    CLI::App* status = Command(app, "status", "Target, mode, drive state, disc position, the current error with its remedy and a running cut's progress");
    status->add_flag("--json", c.status.json, "One JSON object (with --watch: one a line)");
    CLI::Option* watch = status->add_flag("--watch", c.status.watch, "Print a line at each change until Ctrl-C");
    status->add_option("--interval", c.status.intervalMs, "How often --watch reads the status (default 500)")
        ->type_name("MS")
        ->needs(watch)
        ->check(CLI::Range(20, 60000));

    CLI::App* mode = Command(app, "mode", "Switch the CD Emulator to emulation or to file transfer mode");
    mode->add_option("mode", c.mode, "emulate or transfer")->required()->check(CLI::IsMember({"emulate", "transfer"}));
    AddWaitReady(mode, c.waitReady);

    CLI::App* reset = Command(app, "reset", "Reset the CD Emulator");
    AddWaitReady(reset, c.waitReady);

    CLI::App* modules = Command(app, "modules", "The emulation modules: those stored on this machine, those installed in the CD Emulator, "
                                                "the default target and the SRAM they use (without a command: list)");
    modules->require_subcommand(0, 1);
    modules->add_flag("--json", c.modules.json, "One JSON object");
    const CLI::Validator moduleName(
        [](std::string& value) {
            std::string module;
            return ParseModuleName(value, &module) ? std::string()
                                                   : value + " is not a module name (Sat or Dex, CD, three digits: SatCD123)";
        },
        "NAME");
    struct { const char* name; ModuleOptions::Action action; const char* help; const char* argument; } moduleCommands[] = {
        {"list", ModuleOptions::List, "List the modules (as without a command)", nullptr},
        {"install", ModuleOptions::Install, "Copy a module file (SatCD123.bin) into the module directory; never destroys a file", "FILE"},
        {"delete", ModuleOptions::Delete, "Delete a stored module that is not installed", "NAME"},
        {"add", ModuleOptions::Add, "Install a stored module in the CD Emulator (one per target), upload, reset", "NAME"},
        {"remove", ModuleOptions::Remove, "Take a module out of the CD Emulator, upload, reset", "NAME"},
        {"default", ModuleOptions::Default, "Make a target the default (Sat, Dex or Nun for none), upload, reset", "TARGET"},
        {"lock", ModuleOptions::Lock, "Keep an installed module at its version when Cadrel starts", "NAME"},
        {"unlock", ModuleOptions::Unlock, "Let Cadrel bring an installed module up to the newest stored version", "NAME"},
        {"upload", ModuleOptions::Upload, "Upload the installed modules again, reset, wait for the CD Emulator", nullptr},
    };
    for (const auto& command : moduleCommands) {
        CLI::App* sub = Command(*modules, command.name, command.help);
        const ModuleOptions::Action action = command.action;
        sub->callback([&c, action] { c.modules.action = action; });
        if (action == ModuleOptions::List)
            sub->add_flag("--json", c.modules.json, "One JSON object");
        if (!command.argument)
            continue;
        CLI::Option* argument = sub->add_option(command.argument, c.modules.argument, command.help)->required();
        if (action == ModuleOptions::Default)
            argument->transform(CLI::CheckedTransformer(
                std::map<std::string, std::string>{{"sat", "Sat"}, {"saturn", "Sat"}, {"dex", "Dex"}, {"playstation", "Dex"},
                                                   {"nun", "Nun"}, {"none", "Nun"}},
                CLI::ignore_case));
        else if (action != ModuleOptions::Install)
            argument->check(moduleName);
    }

    CLI::App* devices = Command(app, "devices", "The SCSI devices of the CD Emulator (without a command: list)");
    devices->require_subcommand(0, 1);
    devices->add_flag("--json", c.devices.json, "One JSON object");
    CLI::App* deviceList = Command(*devices, "list", "List the devices with their numbers N");
    deviceList->add_flag("--json", c.devices.json, "One JSON object");
    CLI::App* emulate = Command(*devices, "emulate", "Emulate from device N (a hard disc or PD drive)");
    emulate->add_option("N", c.devices.number, "The device's number in the list")->required();
    emulate->callback([&c] { c.devices.action = DeviceOptions::Emulate; });
    CLI::App* cutter = Command(*devices, "cutter", "Cut gold discs on device N (a CD writer)");
    cutter->add_option("N", c.devices.number, "The device's number in the list")->required();
    cutter->callback([&c] { c.devices.action = DeviceOptions::Cutter; });

    CLI::App* cut = Command(app, "cut", "Cut a gold disc from the emulated disc and follow it to the end (progress on standard error)");
    cut->add_option("--speed", c.cut.speed, "1, 2 or 4")->required()->check(CLI::IsMember({1, 2, 4}));
    cut->add_flag("--test", c.cut.test, "A test cut: nothing is written, the blank is kept");
    cut->add_flag("--no-wait", c.cut.noWait, "Return once the cut has begun; the CD Emulator cuts on by itself");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);  // --help or --version, on the output stream
        ErrorLinef("cadrelctl: %s. 'cadrelctl --help' shows the commands, 'cadrelctl COMMAND --help' their options.",
                   error.what());
        return ExitUsage;
    }

    CatchCtrlC();
    int code;
    {
        Connection connection;
        code = connection.Open();
        if (code == ExitDone)
            code = Run(connection, app, c);
    }
    fflush(stdout);
    return code;
}
