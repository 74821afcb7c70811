// Another process for tests of what processes share: a forked child that runs a function and
// talks with the test through two pipes, one message byte at a time.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace sklad::testing {

class ChildProcess {
 public:
  // The body runs in the child; its result is the child's exit code.
  explicit ChildProcess(const std::function<int(ChildProcess&)>& body) {
    if (pipe(FToChild) != 0 || pipe(FToParent) != 0) return;
    FPid = fork();
    FInChild = FPid == 0;
    // Each side keeps the read end of its own pipe and the write end of the other's.
    CloseEnd(FInChild ? FToChild[1] : FToChild[0]);
    CloseEnd(FInChild ? FToParent[0] : FToParent[1]);
    if (FInChild) _exit(body(*this));
  }
  ~ChildProcess() {
    if (FPid > 0 && !FReaped) Kill();
    for (int* fd : {&FToChild[0], &FToChild[1], &FToParent[0], &FToParent[1]})
      if (*fd >= 0) close(*fd);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return FPid > 0; }

  // Sends one byte to the other side.
  void Send(char message) {
    [[maybe_unused]] ssize_t n = write(FInChild ? FToParent[1] : FToChild[1], &message, 1);
  }
  // Waits for one byte from the other side; 0 when the other side is gone.
  char Receive() {
    char message = 0;
    return read(FInChild ? FToChild[0] : FToParent[0], &message, 1) == 1 ? message : 0;
  }

  // The child's exit code, or -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    waitpid(FPid, &status, 0);
    FReaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Kill() {
    kill(FPid, SIGKILL);
    Wait();
  }

 private:
  static void CloseEnd(int& fd) {
    close(fd);
    fd = -1;
  }

  int FToChild[2] = {-1, -1};
  int FToParent[2] = {-1, -1};
  pid_t FPid = -1;
  bool FInChild = false;
  bool FReaped = false;
};

}  // namespace sklad::testing
