#include "engine/io/MountInfo.h"

#include <libmount.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>

namespace qz {

namespace {

using Table = std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)>;

Table newTable() {
    Table table(mnt_new_table(), mnt_unref_table);
    if (!table) throw std::bad_alloc();
    return table;
}

// The mounts that table read from mountinfo lines. libmount guesses a text's
// format from its first line and reads the rest as fstab when that is no
// mountinfo line; such entries carry no volume and are left out.
std::vector<MountInfo::Mount> mountsOf(libmnt_table* table) {
    std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> it(mnt_new_iter(MNT_ITER_FORWARD),
                                                              mnt_free_iter);
    if (!it) throw std::bad_alloc();
    std::vector<MountInfo::Mount> mounts;
    libmnt_fs* fs = nullptr;
    int next = 0;
    while ((next = mnt_table_next_fs(table, it.get(), &fs)) == 0) {
        const char* point = mnt_fs_get_target(fs);
        const char* type = mnt_fs_get_fstype(fs);
        if (mnt_fs_is_kernel(fs) && point && type)
            mounts.push_back({mnt_fs_get_devno(fs), point, type});
    }
    if (next < 0) return {};
    return mounts;
}

}  // namespace

std::vector<MountInfo::Mount> MountInfo::read() {
    const Table table = newTable();
    if (mnt_table_parse_file(table.get(), "/proc/self/mountinfo") != 0) return {};
    return mountsOf(table.get());
}

std::vector<MountInfo::Mount> MountInfo::parse(const std::string& text) {
    const Table table = newTable();
    // Opened for reading only: the text is not written through the stream.
    FILE* stream = ::fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!stream) throw std::system_error(errno, std::generic_category(), "fmemopen");
    const int parsed = mnt_table_parse_stream(table.get(), stream, "mountinfo");
    if (std::fclose(stream) != 0 || parsed != 0) return {};
    return mountsOf(table.get());
}

}  // namespace qz
