// Per-command options and help of ptpctl, and the checks main() makes before a
// command runs: global options anywhere, --opt=value split, unknown options refused.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ptpctl.h"

namespace {

// options: space-separated; a trailing '=' marks an option that takes a value.
const CommandHelp kHelp[] = {
    {"demo", "", "demo [DIR]\n  a whole session, the picture saved into DIR, and a short\n"
                 "  tethered shoot into DIR/tether\n"
                 "  e.g. ptpctl demo shots\n"},
    {"hub", "--json",
     "hub [--json]\n  the Tetherhub's versions, battery, serial number, camera model\n"
     "  e.g. ptpctl --hub 192.168.1.20:4000 hub\n"},
    {"info", "--json",
     "info [--json]\n  the Tetherhub's versions, the camera's identity and the session\n"
     "  e.g. ptpctl info --camera nikon; ptpctl --json info\n"},
    {"props", "--json",
     "props [NAME|CODE] [--json]\n  every property, or one with all its allowed values;\n"
     "  --json: one object, each value a number with its label\n"
     "  e.g. ptpctl props; ptpctl props Aperture\n"},
    {"set", "", "set CODE|NAME VALUE|LABEL\n  change a property; VALUE may be the label, its\n"
                "  number (800 for \"ISO 800\"), a fraction (+1 1/3, 2/3) or f8\n"
                "  e.g. ptpctl set ISO 800; ptpctl set Aperture f8\n"},
    {"events", "--json",
     "events [SECONDS] [--json]\n  follow the camera's events (default 10 s, 0: until\n"
     "  Ctrl-C); --json: one object per line per event; the in-process\n"
     "  virtual camera takes a picture every 3 s\n  e.g. ptpctl events 30\n"},
    {"ls", "--json",
     "ls [--json]\n  the pictures on the camera's cards; --json: one object per line\n"
     "  per picture\n  e.g. ptpctl ls --camera sony\n"},
    {"get", "-o=", "get HANDLE|NAME [-o FILE]\n  download a picture\n"
                   "  e.g. ptpctl get IMG_0001.JPG -o shot.jpg\n"},
    {"download", "--all", "download --all DIR\n  every picture into DIR through the cache\n"
                          "  e.g. ptpctl download --all shots\n"},
    {"capture", "--af --download= --json",
     "capture [--af] [--download DIR] [--json]\n  take a picture; --json: one object\n"
     "  e.g. ptpctl capture --af --download shots\n"},
    {"bracket", "", "bracket [STOP]\n  show, or set and shoot, a bracketed series; STOP (1, 0.67,\n"
                    "  2/3, \"1 1/3\") at most the camera's largest step; Ctrl-C turns\n"
                    "  bracketing back and exits 130\n"
                    "  e.g. ptpctl bracket 2/3\n"},
    {"hdr", "-n= -s= -m=", "hdr [-n SHOTS] [-s STEP] [-m MODE] [PROPERTY]\n  an HDR series;\n"
                           "  Ctrl-C puts PROPERTY back and exits 130\n"
                           "  e.g. ptpctl hdr -n 5 -s 3\n"},
    {"bulb", "", "bulb SECONDS\n  a bulb exposure with a countdown; Ctrl-C closes the\n"
              "  shutter, puts shutter speed and mode back and exits 130\n  e.g. ptpctl bulb 30\n"},
    {"focus-stack", "-d=", "focus-stack N STEP [-d DELAY_MS]\n  N (at least 2) shots, the lens driven\n"
                           "  by STEP (not 0) between them; Ctrl-C stops it between shots,\n"
                           "  puts focus mode and bracketing back and exits 130\n"
                           "  e.g. ptpctl focus-stack 10 50 -d 200\n"},
    {"focus", "", "focus\n  autofocus, then hold the focus found\n  e.g. ptpctl focus\n"},
    {"drive", "", "drive STEPS\n  drive the lens (negative: the other way; at most 32767)\n"
                  "  e.g. ptpctl drive -100\n"},
    {"liveview", "-n= -o=",
     "liveview [-n FRAMES] [-o DIR|-]\n  FRAMES live-view frames into DIR; with -o - an MJPEG\n"
     "  stream (multipart/x-mixed-replace) on standard output until Ctrl-C or -n FRAMES;\n"
     "  uncompressed frames are skipped in the stream. Ctrl-C switches live view off\n"
     "  and exits 130\n"
     "  e.g. ptpctl liveview -n 30 -o frames; ptpctl liveview -o - | ffplay -f mpjpeg -\n"},
    {"tether", "--exec=",
     "tether DIR [--exec CMD]\n  download each new picture the camera takes (from the host or\n"
     "  on the camera) into DIR under the camera's name, each once; CMD runs with the\n"
     "  file's path after each download. Ctrl-C ends it, with exit 0 after \"N pictures\";\n"
     "  the in-process virtual camera takes a picture every 3 s\n"
     "  e.g. ptpctl tether shots --exec \"echo got\"\n"},
    {"panorama", "-d= -b= --bulb= -n= -s= -i= --share",
     "panorama POSITIONS MOVE_MS [-d 0|1] [-b PROPERTY | --bulb MS] [-n SHOTS] [-s STEP]\n"
     "  [-i SECONDS]\n  shots at each head position; the head settles 500 ms after a move\n"
     "  e.g. ptpctl panorama 6 800 -b 0x5010 -n 3\n"},
    {"tripod", "", "tripod move 0|1 [MS]|stop|speed N|battery\n  the motorised head\n"
                   "  e.g. ptpctl tripod move 1 500\n"},
    {"receive", "-n=", "receive DIR [-n COUNT]\n  save what the controlling client shares\n"
                       "  e.g. ptpctl --hub 127.0.0.1:4000 receive watched\n"},
    {"sd", "", "sd ls|get NAME [DEST]|rm NAME|info\n  the Tetherhub's own SD card\n"
               "  e.g. ptpctl sd get log.txt /tmp/log.txt\n"},
};

// Finds word in a space-separated list; *takesValue tells a trailing '='.
bool in_list(const char* list, const std::string& word, bool* takesValue) {
    for (const char* p = list; *p;) {
        const char* end = std::strchr(p, ' ');
        size_t n = end ? size_t(end - p) : std::strlen(p);
        bool value = n && p[n - 1] == '=';
        size_t name = value ? n - 1 : n;
        if (word.size() == name && word.compare(0, name, p, name) == 0) {
            *takesValue = value;
            return true;
        }
        p += end ? n + 1 : n;
    }
    return false;
}

bool is_number(const std::string& a) {
    char* end = nullptr;
    std::strtod(a.c_str(), &end);
    return !a.empty() && *end == '\0';
}

}  // namespace

const CommandHelp* CommandHelp_Find(const std::string& name) {
    for (const CommandHelp& h : kHelp)
        if (name == h.name) return &h;
    return nullptr;
}

CliAction Cli_Parse(int argc, char** argv, std::string* command, std::vector<std::string>* args) {
    // Split --opt=value so every option reads the same afterwards.
    std::vector<std::string> in;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        size_t eq = a.find('=');
        if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            in.push_back(a.substr(0, eq));
            in.push_back(a.substr(eq + 1));
        } else {
            in.push_back(a);
        }
    }
    std::vector<std::string> globals, rest;
    bool help = false, literal = false, json = false;
    const CommandHelp* known = nullptr;
    for (size_t i = 0; i < in.size(); ++i) {
        const std::string& a = in[i];
        bool takesValue = false;
        if (literal || a.empty() || a[0] != '-' || a == "-" || is_number(a)) {
            if (command->empty()) {
                *command = a;
                known = CommandHelp_Find(a);
            } else {
                rest.push_back(a);
            }
        } else if (a == "--") {
            literal = true;
        } else if (a == "--hub" || a == "--camera") {
            if (i + 1 >= in.size()) {
                std::fprintf(stderr, "ptpctl: %s needs a value\n", a.c_str());
                return CliAction::Usage;
            }
            globals.push_back(a);
            globals.push_back(in[++i]);
        } else if (a == "--json" && command->empty()) {
            json = true;  // checked against the command once it is known
        } else if (a == "--version" && command->empty()) {
            return CliAction::Version;
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if (known && in_list(known->options, a, &takesValue)) {
            rest.push_back(a);
            if (takesValue && i + 1 < in.size()) rest.push_back(in[++i]);
        } else if (!command->empty() && !known) {
            rest.push_back(a);  // a command without a table row checks its own options
        } else {
            std::fprintf(stderr, "ptpctl%s%s: unknown option \"%s\" (see ptpctl help%s%s)\n",
                         command->empty() ? "" : " ", command->c_str(), a.c_str(),
                         command->empty() ? "" : " ", command->c_str());
            return CliAction::Usage;
        }
    }
    if (*command == "help") {
        help = true;
        command->clear();
        if (!rest.empty()) *command = rest[0];
    }
    bool takesValue = false;
    if (json && !help && !command->empty() &&
        !(known && in_list(known->options, "--json", &takesValue))) {
        std::fprintf(stderr, "ptpctl: --json is not an option of \"%s\"\n", command->c_str());
        return CliAction::Usage;
    }
    if (json) rest.push_back("--json");
    rest.insert(rest.end(), globals.begin(), globals.end());
    *args = rest;
    return help ? CliAction::Help : CliAction::Run;
}
