#pragma once
// The drives of this machine as the picker offers them: the mounted file
// systems a user would save into, each named by its mount path.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class MountTable {
public:
    // The mount paths of the current mount table, "/" first, then in path
    // order. Falls back to "/" alone when the table cannot be read.
    static QStringList drives();

    // The mount paths kept from the text of a mountinfo file: the kernel's
    // pseudo file systems and the system's own mount areas are left out.
    static QStringList parse(const QByteArray& mountinfo);

    // The entry of drives that holds path: its longest prefix ending at a
    // path component; "/" when none does.
    static QString holding(const QStringList& drives, const QString& path);

    // Makes drives() return what source returns instead of reading the
    // table; an empty function restores the real table.
    static void setSource(std::function<QStringList()> source);

private:
    static std::function<QStringList()>& source();
};
