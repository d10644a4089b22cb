// refuse_calls ERRNO PROGRAM ARGS...: runs PROGRAM under a seccomp filter
// that answers copy_file_range, renameat2 and fdatasync with ERRNO
// (EPERM or ENOSYS), as container and snap sandboxes do with calls they do
// not allow.

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
    const unsigned err = std::strcmp(argv[1], "ENOSYS") == 0 ? ENOSYS : EPERM;
    const unsigned refuse = SECCOMP_RET_ERRNO | err;
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_copy_file_range, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 1, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fdatasync, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, refuse),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
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
