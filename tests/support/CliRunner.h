#pragma once

// velkaro-cli run as a user runs it: the built program copied into a fresh
// folder of its own with the default settings beside it (a portable folder),
// its output caught in files there.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "FileContent.h"
#include "TestSupport.h"

extern char** environ;

namespace velkaro::test {

struct TCliRun {
  int Status = -1;  // exit status; 128 + signal when killed
  std::string Out;
  std::string Err;
};

class TCliFolder {
 public:
  TCliFolder() {
    std::filesystem::copy_file(VELKARO_CLI, Program_);
    std::filesystem::copy_file(VELKARO_UNPACK_WORKER, Dir_.Path() / "velkaro-unpack");
    std::filesystem::copy_file(VELKARO_DEFAULT_SETTINGS, Dir_.Path() / "conf.vkcf");
  }

  // Every request through the stand-in sites at `port`, as their proxy.
  void UseProxy(int port) const {
    std::ofstream(Dir_.Path() / "proxy.txt", std::ios::binary) << "1\r\n127.0.0.1:" << port << "\r\n";
  }

  pid_t Spawn(const std::vector<std::string>& args) const {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, OutFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, ErrFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> argvText{Program_.string()};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    std::vector<std::string> environment = Environment;
    std::vector<char*> envp;
    for (auto& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    const int error = posix_spawn(&child, Program_.c_str(), &actions, nullptr, argv.data(),
                                  Environment.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::system_error(error, std::generic_category(), "posix_spawn");
    return child;
  }

  TCliRun Wait(pid_t child) const {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
      if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    TCliRun run;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.Out = ReadFileContent(OutFile()).value_or("");
    run.Err = ReadFileContent(ErrFile()).value_or("");
    return run;
  }

  TCliRun Run(const std::vector<std::string>& args) const { return Wait(Spawn(args)); }

  const std::filesystem::path& Path() const { return Dir_.Path(); }
  // The program's whole environment ("NAME=value"); empty: this process's.
  std::vector<std::string> Environment;
  std::filesystem::path OutFile() const { return Dir_.Path() / "stdout.txt"; }
  std::filesystem::path ErrFile() const { return Dir_.Path() / "stderr.txt"; }

 private:
  TTempDir Dir_;
  std::filesystem::path Program_ = Dir_.Path() / "velkaro-cli";
};

}  // namespace velkaro::test
