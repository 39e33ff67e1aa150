// lumirastra-trace: traces scheme files without a display and writes the diagnostics log and the
// window images.
#include <cstring>
#include <iostream>
#include <memory>
#include <string_view>

#include "platform/headless/headless_platform.h"
#include "shell/main_loop.h"

namespace {

constexpr std::string_view kUsage =
    R"(Usage: lumirastra-trace [--out DIR] SCHEME.ops [SCHEME.ops ...]

Traces each scheme file as the desktop program does and writes, when the scheme is done:
  диагностика.dat   the diagnostics log (code page 1251): the echo of the file, the scheme
                    listing, the ray counts of every element and the spot sizes of the focus sweep;
  window-01.png     the scheme window with every ray segment;
  window-NN.png     the window of element NN (apertures, hit points, spot diagrams).

Options:
  --out DIR   write into DIR instead of the current directory. With several schemes each gets
              its own folder DIR/<scheme file name without extension>/, so nothing is overwritten.
  --help      show this text.

A scheme that cannot be read or is refused is reported on standard error with the file, the line
and the fault; the tracer goes on with the next file. Exit status: 0 when every scheme was traced,
1 when one was refused or an output could not be written, 2 for a wrong command line.
)";

struct Arguments {
  lumi::HeadlessOptions options;
  bool help = false;
  std::string error;
};

Arguments parse_arguments(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      args.help = true;
    } else if (arg == "--out") {
      if (i + 1 >= argc) {
        args.error = "--out needs a folder";
        return args;
      }
      args.options.out_dir = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      args.error = "unknown option " + std::string(arg);
      return args;
    } else if (arg != "--") {
      args.options.schemes.emplace_back(arg);
    }
  }
  if (!args.help && args.options.schemes.empty()) args.error = "no scheme file given";
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args = parse_arguments(argc, argv);
  if (args.help) {
    std::cout << kUsage;
    return 0;
  }
  if (!args.error.empty()) {
    std::cerr << "lumirastra-trace: " << args.error << "\n\n" << kUsage;
    return 2;
  }

  lumi::HeadlessPlatform platform(std::move(args.options), std::cerr);
  auto program = std::make_unique<lumi::Program>(platform);
  lumi::initial_settings(platform, program->scheme);
  const int status = lumi::main_program(*program);
  return platform.error_count() > 0 ? 1 : status;
}
