// The cache's work behind the user's back: a process of its own that outlives
// Vorlix, and compilers run with their output discarded.
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "text/compiler_words.h"
#include "platform/platform.h"
#include "platform/posix/internal.h"

extern char** environ;

void Run_in_background(const std::vector<std::string>& job, Background_runner run) {
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    // A session of its own, so that neither the terminal's keys nor its
    // closing end the job; the grandchild is nobody's to wait for.
    setsid();
    if (fork() != 0) _exit(0);
    Streams_to_null();
    // Its compilers start with the signals a fresh shell gives them.
    Default_signals();
    // The user's own compiles and programs come first.
    (void)!nice(10);
    run(job);
    _exit(0);
  }
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0 && errno == EINTR) {
  }
}

int Compile_quietly(const std::string& com_path, const std::string& com_settings,
                    const std::vector<std::string>& words, const std::string& header_dir) {
  const auto args = Posix_compiler_words(com_path, com_settings, words);
  for (const auto& a : args)
    if (Has_nul(a)) return 127;
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  int spawned;
  {
    const Header_path_guard path(header_dir);
    spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return 127;
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
}
