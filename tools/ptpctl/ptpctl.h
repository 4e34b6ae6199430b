// Shared pieces of the command-line tool: the connection to a Tetherhub (real or
// virtual) and the subcommands.
#pragma once

#include <string>
#include <vector>

struct SimHub;

struct HubConnection {
    std::string host;
    std::string port;
    SimHub* embedded = nullptr;  // the in-process virtual Tetherhub, when used
    std::string camera = "canon";
};

// Options common to every subcommand.
struct CommonOptions {
    std::string hub;  // HOST:PORT, empty for the embedded virtual Tetherhub
    std::string camera = "canon";
};

// Parses --hub and --camera out of args (the rest stay). False with a message
// on stderr when an option is malformed.
bool ParseCommonOptions(std::vector<std::string>& args, CommonOptions& options);

// Starts the virtual Tetherhub when asked and connects the library. On failure
// prints one clear line to stderr and returns false.
bool OpenHub(const CommonOptions& options, HubConnection& connection);
void CloseHub(HubConnection& connection);

int Command_Info(std::vector<std::string> args);
