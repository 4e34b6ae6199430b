// Shared pieces of the command-line tool: the connection to a Tetherhub (real or
// virtual) and the subcommands.
#pragma once

#include <cstdint>
#include <cstdio>
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

// One command's accepted options ("-o= --af": '=' marks one taking a value)
// and its help with examples.
struct CommandHelp {
    const char* name;
    const char* options;
    const char* help;
};
const CommandHelp* CommandHelp_Find(const std::string& name);

// What main() does with the command line once Cli_Parse has checked it.
enum class CliAction { Run, Help, Version, Usage };
// Finds the command among argv, splits --opt=value, moves the global options
// (anywhere on the line) after the command's own arguments and refuses an
// option the command does not take, with one line on stderr.
CliAction Cli_Parse(int argc, char** argv, std::string* command, std::vector<std::string>* args);

// Parses --hub and --camera out of args (the rest stay). False with a message
// on stderr when an option is malformed.
bool ParseCommonOptions(std::vector<std::string>& args, CommonOptions& options);

// Starts the virtual Tetherhub when asked and connects the library. On failure
// prints one clear line to stderr and returns false.
bool OpenHub(const CommonOptions& options, HubConnection& connection);
void CloseHub(HubConnection& connection);

// With the in-process virtual Tetherhub, its camera takes a picture on its own
// every this many seconds (said on stderr), so that commands that wait for the
// camera have something to show; a real hub is left alone.
void ShootOnItsOwn(HubConnection& connection, double seconds);
constexpr double kVirtualShootEvery = 3; // what events and tether ask of it

// Connects (as OpenHub), installs the relay transport and starts the camera
// session. The session result is printed on a line of its own when it is not
// OK; false only when the camera cannot be identified at all.
bool OpenSession(const CommonOptions& options, HubConnection& connection);

// Parses a number in decimal or 0x hexadecimal; false when it is not one.
bool ParseNumber(const std::string& text, uint32_t* value);

struct PtpObjectInfo;
struct PtpPropertyRecord;

// The last part of a camera's file name, safe to use as a local file name.
std::string SafeFileName(const char* cameraName);

// Creates directory and its parents; false with one line and the reason on stderr.
bool MakeDirectories(const std::string& directory);

// A file written beside its final name and renamed over it only when whole, so
// a failed or interrupted write never harms an existing file; a signal that
// ends the tool while it is open removes it (interrupt.h). Open and Finish print one line with the reason on failure.
struct PartialFile {
    FILE* file = nullptr;
    std::string partial, path;
    int error = 0;  // errno of the first failed write
};
bool PartialFile_Open(PartialFile& f, const std::string& path);
bool PartialFile_Write(PartialFile& f, const uint8_t* data, size_t length);
// ok false (the data is incomplete): the partial file is removed.
bool PartialFile_Finish(PartialFile& f, bool ok);

// Downloads an object to path (in parts with a progress bar when large); a
// failed download leaves no file. Prints one line on failure.
bool DownloadObject(const PtpObjectInfo& info, const std::string& path);

// Prints the Tetherhub's versions and the camera's identity, and starts the
// session; false when the hub does not answer.
bool ShowHubAndCamera(HubConnection& hub);

// Prints one property line: code, name, current label, access, allowed labels.
void PrintProperty(PtpPropertyRecord* record);
// Prints the records as PrintProperty does, their columns as wide as the
// widest name and label among them.
void PrintProperties(const std::vector<PtpPropertyRecord*>& records);

// Takes a picture (after autofocus when asked), waits for the camera to
// announce it and downloads the new objects into directory when given.
// Returns the number of new objects, or -1 on failure. Needs the event loop.
int CaptureOnce(bool autofocus, const std::string& directory);

// Fetches one live-view frame (live view must be on) and writes its image to
// base + ".jpg", or ".bmp" for an uncompressed frame; *path is the file
// written. False with one line on stderr on failure.
bool WriteLiveViewFrame(const std::string& base, std::string* path);

// Downloads each picture the camera announces into directory (running command
// with its path after each, when given) until Ctrl-C, most pictures (0: no
// limit) or seconds (0: no limit). Needs the event loop. Returns the number of
// pictures, or -1 when a download failed.
int Tether_Run(const std::string& directory, const std::string& command, uint32_t most,
               double seconds);

int Command_Info(std::vector<std::string> args);
int Command_LiveView(std::vector<std::string> args);
int Command_Props(std::vector<std::string> args);
int Command_Set(std::vector<std::string> args);
int Command_Events(std::vector<std::string> args);
int Command_Ls(std::vector<std::string> args);
int Command_Get(std::vector<std::string> args);
int Command_Capture(std::vector<std::string> args);
int Command_Demo(std::vector<std::string> args);
int Command_Sd(std::vector<std::string> args);
int Command_Bracket(std::vector<std::string> args);
int Command_Hdr(std::vector<std::string> args);
int Command_Bulb(std::vector<std::string> args);
int Command_FocusStack(std::vector<std::string> args);
int Command_Focus(std::vector<std::string> args);
int Command_Drive(std::vector<std::string> args);
int Command_Download(std::vector<std::string> args);
int Command_Hub(std::vector<std::string> args);
int Command_Panorama(std::vector<std::string> args);
int Command_Tripod(std::vector<std::string> args);
int Command_Receive(std::vector<std::string> args);
int Command_Tether(std::vector<std::string> args);
