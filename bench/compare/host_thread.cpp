// libquarn_bench_host_thread.so: preloaded into a process, gives it a second
// thread for its whole life, as a real host always has. Once a process has
// a second thread, glibc's allocator and stdio leave their single-thread
// fast paths, so the player pays what it pays inside a host.
//
// The thread only blocks: it is detached and holds no lock, so exit() does
// not wait for it and the kernel ends it with the process. It blocks every
// signal, so signals keep reaching the program's own threads. It writes
// nothing and exports nothing.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace {

void* blockForever(void*) {
  for (;;)
    pause();
  return nullptr;
}

__attribute__((constructor)) void startHostThread() {
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  // The new thread inherits the mask in force when it is created.
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  pthread_t thread;
  if (pthread_create(&thread, nullptr, blockForever, nullptr) == 0)
    pthread_detach(thread);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace
