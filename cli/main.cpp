#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace {

void PrintUsage(std::FILE* stream) {
    std::fputs(
        "Usage: tavorin COMMAND [options]\n"
        "       tavorin --version\n"
        "\n"
        "Unsupervised classification of multi-band ENVI images.\n"
        "\n"
        "Commands:\n"
        "  classify   multi-objective memetic fuzzy clustering of an image; writes one\n"
        "             classification image per member of the final Pareto front\n"
        "  fcm        fuzzy c-means of an image (by default four clusters of the fixed\n"
        "             test image small.img)\n"
        "\n"
        "Run 'tavorin COMMAND --help' for the options of a command.\n",
        stream);
}

}  // namespace

int main(int argc, char** argv) {
    // A reader of the output that goes away (`| head`) must not end the run: writes to it
    // fail and are dropped instead.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "classify") return tavorin::cli::RunClassifyCommand(arguments);
    if (command == "fcm") return tavorin::cli::RunFcmCommand(arguments);
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("%s\n", tavorin::cli::kVersionLine);
        return 0;
    }
    std::fprintf(stderr, "tavorin: unknown command '%s'\n\n", command.c_str());
    PrintUsage(stderr);
    return 2;
}
