#pragma once
// The ways out of the operate command, one row each: what the window shows
// and keeps when the command ends that way. Every way out also closes the
// input file, sets iPos to 0 and enables Frame1 and Command5 again (when the
// busy state was entered); the files a run wrote and did not finish are gone
// by then.

namespace qz {

struct WayOut {
    enum class Progress { Hidden, Unchanged };

    const char* message;   // shown first, progress area as it was; nullptr: none
    const char* title;
    const char* caption;   // the window's caption afterwards
    bool emptySource;      // Text1 and the size caption Label3 emptied
    bool emptySaveLocation;  // Text3 emptied
    Progress progress;     // the progress area Picture1 afterwards
    bool focusCount;       // Text2 focused, its whole text selected, for retyping
    bool resetBar;         // DoneWidth = 0

    static const WayOut kCompleted;        // "操作完成!"
    static const WayOut kTooSmall;         // slices of 64 KB or less refused
    static const WayOut kNoToReplacing;    // No to replacing existing slices
    static const WayOut kNoToOverwriting;  // No to overwriting the output
    static const WayOut kError;            // "切片错误"
};

//                    message   title   caption     source save   progress   focus bar
inline const WayOut WayOut::kCompleted{
    "操作完成!", "提示", "QZ切片宝V1.3优化版", true, true, Progress::Hidden, false, true};
inline const WayOut WayOut::kTooSmall{
    "对不起,文件太小影响完整性,建议每个单位不要小于64KB!请重新设置切割个数!", "操作被中止",
    "QZ切片宝", false, false, Progress::Unchanged, true, false};
inline const WayOut WayOut::kNoToReplacing{
    nullptr, nullptr, "QZ切片宝", false, true, Progress::Hidden, true, false};
inline const WayOut WayOut::kNoToOverwriting{
    nullptr, nullptr, "QZ切片宝V1.3优化版", true, true, Progress::Unchanged, false, true};
inline const WayOut WayOut::kError{
    "切片错误", "出错", "QZ切片宝V1.3优化版", false, false, Progress::Hidden, false, true};

}  // namespace qz
