// System calls the browser's C library declares but does not have. Each answers as a system
// without the feature does, and its callers already handle that answer: the log writer goes on
// without reserving room (ENOSYS), the error trap's handlers run on the normal stack, and starting a
// program (the folder requester's zenity) fails, so the requester returns "".
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

extern "C" {

int fallocate(int, int, off_t, off_t) {
    errno = ENOSYS;
    return -1;
}

int sigaltstack(const stack_t*, stack_t*) {
    errno = ENOSYS;
    return -1;
}

int posix_spawnp(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*,
                 char* const[], char* const[]) {
    return ENOSYS;
}

} // extern "C"
