#pragma once
// Runs a program with an argument vector and collects its exit code and standard output.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tavik::test {

struct ToolResult {
  int exitCode = -1;
  std::string out;
};

inline ToolResult RunTool(const std::vector<std::string>& argv) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  ToolResult result;
  char buf[4096];
  for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;) result.out.append(buf, size_t(n));
  close(pipeFds[0]);
  if (spawned != 0) return result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace tavik::test
