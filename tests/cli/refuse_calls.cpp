// refuse_calls ERRNO PROGRAM ARGS...: runs PROGRAM under a seccomp filter
// that answers copy_file_range, renameat2 and sync_file_range with ERRNO
// (EPERM or ENOSYS), as container and snap sandboxes do with
// calls they do not allow. With NOTHREADS for ERRNO, it answers clone and
// clone3 with EAGAIN instead, as a process limit does: no thread starts.

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) return 125;
    const bool noThreads = std::strcmp(argv[1], "NOTHREADS") == 0;
    const unsigned err = noThreads ? EAGAIN : std::strcmp(argv[1], "ENOSYS") == 0 ? ENOSYS : EPERM;
    const unsigned refuse = SECCOMP_RET_ERRNO | err;
    // Three calls refused, or two (clone then twice).
    const unsigned calls[] = {noThreads ? SYS_clone : SYS_copy_file_range,
                              noThreads ? SYS_clone3 : SYS_renameat2,
                              noThreads ? SYS_clone : SYS_sync_file_range};
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, calls[0], 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, calls[1], 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, calls[2], 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, refuse),
    };
    sock_fprog prog{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) != 0) {
        std::perror("refuse_calls: seccomp");
        return 125;
    }
    ::execv(argv[2], argv + 2);
    std::perror("refuse_calls: execv");
    return 126;
}
