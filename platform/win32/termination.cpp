#include "platform/win32/termination.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t terminationRequested = 0;
// The thread that has a modal box up, or 0.
volatile std::sig_atomic_t boxThread = 0;

// Appends the decimal digits of a positive number; snprintf is not safe in
// a signal handler.
char* AppendNumber(char* out, long value) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// Kills the children of one thread, as the kernel lists them. SIGKILL,
// because a forked child still runs this process's handlers.
void KillChildrenOf(long thread) {
    char path[64] = "/proc/";
    char* end = AppendNumber(path + 6, long(getpid()));
    const char middle[] = "/task/";
    for (const char* c = middle; *c; ++c)
        *end++ = *c;
    end = AppendNumber(end, thread);
    const char last[] = "/children";
    for (const char* c = last; *c; ++c)
        *end++ = *c;
    *end = '\0';
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char buffer[256];
    long pid = 0;
    ssize_t count;
    while ((count = read(fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (buffer[i] >= '0' && buffer[i] <= '9') {
                pid = pid * 10 + (buffer[i] - '0');
            } else if (pid > 0) {
                kill(pid_t(pid), SIGKILL);
                pid = 0;
            }
        }
    }
    if (pid > 0)
        kill(pid_t(pid), SIGKILL);
    close(fd);
}

// Safe in a signal handler, and on any thread.
void EndBoxAndTerminate() {
    int savedErrno = errno;
    terminationRequested = 1;
    if (long thread = boxThread)
        KillChildrenOf(thread);
    errno = savedErrno;
}

void OnTerminationSignal(int) {
    EndBoxAndTerminate();
}

// In a child forked while a box is up: a signal that came before the fork
// found no child to end, so the child ends itself.
void EndChildForkedAfterSignal() {
    if (terminationRequested && boxThread)
        _exit(1);
}

} // namespace

void EndOnTerminationSignals() {
    static bool forkWatched = false;
    if (!forkWatched) {
        pthread_atfork(nullptr, nullptr, EndChildForkedAfterSignal);
        forkWatched = true;
    }
    for (int signal : {SIGTERM, SIGINT}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigaction(signal, &action, nullptr);
    }
}

void RequestTermination() {
    EndBoxAndTerminate();
}

bool TerminationRequested() {
    return terminationRequested != 0;
}

ModalBoxScope::ModalBoxScope() {
    boxThread = std::sig_atomic_t(syscall(SYS_gettid));
}

ModalBoxScope::~ModalBoxScope() {
    boxThread = 0;
}
