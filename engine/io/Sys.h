#pragma once
// The system calls of the engine's file access, in one place: each passes
// straight to the C library, except where a test has asked for it to fail.
// Also the one judgement of when a call is not offered here (by the kernel,
// the file system or a sandbox), so that the caller takes its plain way.

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace qz {

class Sys {
public:
    enum class Call {
        Open, Fstat, Stat, Lstat, Pread, Pwrite, CopyFileRange, Fsync,
        Linkat, Close, Rename, Renameat2, Unlink, Opendir, Readdir, Access, Dup, Flock,
        Statvfs, Statfs, Pathconf, Fchown, SyncFileRange, Read, Write,
        kCount
    };

    static int open(const char* path, int flags, unsigned mode = 0);
    static int fstat(int fd, struct stat* st);
    static int stat(const char* path, struct stat* st);
    static int lstat(const char* path, struct stat* st);
    static ssize_t pread(int fd, void* buf, std::size_t size, off_t offset);
    static ssize_t pwrite(int fd, const void* buf, std::size_t size, off_t offset);
    static ssize_t read(int fd, void* buf, std::size_t size);
    static ssize_t write(int fd, const void* buf, std::size_t size);
    static ssize_t copy_file_range(int in, loff_t* inOff, int out, loff_t* outOff,
                                   std::size_t size);
    static int sync_file_range(int fd, off_t offset, off_t size, unsigned flags);
    static int fsync(int fd);
    static int linkat(int fromDir, const char* from, int toDir, const char* to, int flags);
    static int close(int fd);
    static int rename(const char* from, const char* to);
    static int renameat2(int fromDir, const char* from, int toDir, const char* to,
                         unsigned flags);
    static int unlink(const char* path);
    static DIR* opendir(const char* path);
    static dirent* readdir(DIR* dir);  // errno 0 at the end, else the failure
    static int access(const char* path, int how);
    static int dupCloexec(int fd);
    static int flock(int fd, int operation);
    // Raises the soft limit of open files to at least want, as far as the
    // hard limit allows; -1 with errno when the limits cannot be read or set.
    static int allowOpenFiles(unsigned long want);
    static int statvfs(const char* path, struct statvfs* st);
    static int statfs(const char* path, struct statfs* st);
    // -1 with errno 0 when the volume sets no limit.
    static long pathconf(const char* path, int name);
    static int fchown(int fd, uid_t owner, gid_t group);
    static uid_t geteuid();  // never fails

    // Whether err, from a use of call that did nothing, says that the call is
    // not offered for these files here (by the kernel, the file system, or a
    // sandbox's filter, which refuses calls newer than it knows with EPERM),
    // rather than that something went wrong.
    static bool notOffered(Call call, int err);

    // For tests: the nth use of call from now on (1: the next) fails with
    // err, without reaching the system.
    static void failNth(Call call, long nth, int err);
    // For tests: action runs just before the nth use of call from now on,
    // which then goes ahead; to end the process at a chosen moment.
    static void atNth(Call call, long nth, std::function<void()> action);
    // Forgets every failure asked for that has not happened yet.
    static void clearFaults();
};

}  // namespace qz
