// sitesim: the stand-in subtitle sites on a loopback port, for trying the
// program without the real sites. Runs until SIGINT or SIGTERM.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "SimServer.h"
#include "TextHelpers.h"

// The installed copy is called velkaro-sitesim.
#ifndef SITESIM_NAME
#define SITESIM_NAME "sitesim"
#endif

namespace {

constexpr const char* kUsage =
    "usage: " SITESIM_NAME " [--port N] [--port-file FILE] [--generate COUNT] [--newest VERSION] [--latency MS]\n"
    "  --port N          listen on 127.0.0.1:N (default: a free port)\n"
    "  --port-file FILE  write the port number to FILE once listening\n"
    "  --generate COUNT  add the film \"Generated Film\" with COUNT subtitles\n"
    "  --newest VERSION  the maker's host names VERSION as the newest (default: 1.24)\n"
    "  --latency MS      every answer waits MS milliseconds before its first byte\n";

struct TArguments {
  std::uint16_t Port = 0;
  std::optional<std::filesystem::path> PortFile;
  std::size_t Generated = 0;
  std::optional<std::string> Newest;
  int LatencyMs = 0;
};

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

int ToNumber(std::string_view text, int low, int high) {
  const auto value = velkaro::ParseInt(text);
  if (!value || *value < low || *value > high) throw TUsageError("bad number: " + std::string(text));
  return *value;
}

TArguments ParseArguments(int argc, char** argv) {
  TArguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      std::exit(0);
    }
    if (i + 1 >= argc) throw TUsageError("missing value after " + std::string(option));
    const std::string_view value = argv[++i];
    if (option == "--port") {
      arguments.Port = static_cast<std::uint16_t>(ToNumber(value, 0, 65535));
    } else if (option == "--port-file") {
      arguments.PortFile = std::filesystem::path(value);
    } else if (option == "--newest") {
      arguments.Newest = std::string(value) + "\n";
    } else if (option == "--latency") {
      arguments.LatencyMs = ToNumber(value, 0, 3'600'000);
    } else if (option == "--generate") {
      arguments.Generated = static_cast<std::size_t>(ToNumber(value, 0, 10'000'000));
    } else {
      throw TUsageError("unknown option " + std::string(option));
    }
  }
  return arguments;
}

// Written aside and renamed, so a script polling for the file never reads half of it.
void WritePortFile(const std::filesystem::path& path, std::uint16_t port) {
  auto partial = path;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::trunc);
    out << port << "\n";
    if (!out) throw std::runtime_error("cannot write " + partial.string());
  }
  std::filesystem::rename(partial, path);
}

}  // namespace

int main(int argc, char** argv) {
  TArguments arguments;
  try {
    arguments = ParseArguments(argc, argv);
  } catch (const TUsageError& e) {
    std::cerr << SITESIM_NAME ": " << e.what() << "\n" << kUsage;
    return 2;
  }

  // Blocked before any thread starts, so every thread inherits the mask and
  // the signals reach only the sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    auto catalogue = velkaro::sim::TCatalogue::Standard();
    if (arguments.Generated > 0) catalogue.AddGeneratedFilm("Generated Film", 2010, arguments.Generated);
    velkaro::sim::TSimServer server(std::move(catalogue));
    if (arguments.Newest) server.UpdateSite().SetVersionText(*arguments.Newest);
    server.SetLatency(std::chrono::milliseconds(arguments.LatencyMs));
    server.Start(arguments.Port);
    std::cout << SITESIM_NAME " listening on " << velkaro::sim::TSimServer::kLoopback << ":" << server.Port() << std::endl;
    if (arguments.PortFile) WritePortFile(*arguments.PortFile, server.Port());

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    // What a front end's connection limit held to, counted here.
    for (const auto& site : server.DirectSites()) {
      std::cout << site.Name << ": at most " << server.MostAtOnce(site.Id) << " requests at once\n";
    }
  } catch (const std::exception& e) {
    std::cerr << SITESIM_NAME ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
