#pragma once
// The window as a terminal sees it: fields held in memory, a message box as
// one line on stderr in the user's language, questions answered by --yes/--no
// or asked on the terminal, and the percentage of Label7 redrawn in place on
// a terminal that can do that, after the slice a merge is joining. Quiet, it
// shows nothing of a run that goes well.

#include <iosfwd>
#include <string>

#include "cli/CommandLine.h"
#include "engine/Host.h"

namespace qzcli {

class CliHost : public qz::Host {
public:
    // in and err stand for stdin and stderr; terminalIn is in's descriptor
    // when it is a terminal, -1 otherwise (questions are asked only on one);
    // drawProgress: err is a terminal that can redraw a line in place.
    CliHost(CommandLine::Answer answer, std::istream& in, std::ostream& err, int terminalIn,
            bool drawProgress, bool quiet);

    void setOption1_0(bool split) { option1_0_ = split; }
    void setText2(const std::string& text) { text2_ = text; }
    void setCheck1(bool checked) { check1_ = checked; }

    bool Option1_0() const override { return option1_0_; }
    std::string Text1() const override { return text1_; }
    void setText1(const std::string& text) override { text1_ = text; }
    std::string Text2() const override { return text2_; }
    void focusText2SelectAll() override {}
    std::string Text3() const override { return text3_; }
    void setText3(const std::string& text) override { text3_ = text; }
    bool Check1() const override { return check1_; }
    void setLabel3(const std::string&) override {}
    void setLabel6Width(float twips) override { label6Width_ = twips; }
    float Label6Width() const override { return label6Width_; }
    void setLabel7(const std::string& text) override;
    bool Picture1Visible() const override { return picture1Visible_; }
    void setPicture1Visible(bool visible) override;
    float Picture1InnerWidth() const override { return 1935; }
    void setFrame1Enabled(bool) override {}
    void setCommand5Enabled(bool) override {}
    void setCaption(const std::string&) override {}
    void joining(std::size_t index, std::size_t count) override;
    qz::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                         int style) override;
    // The reason of a failure, on the line after its message.
    void showReason(const std::string& reason);
    void DoEvents() override {}

private:
    // Puts the question on the terminal and reads the answer from it.
    qz::MsgAnswer askTerminal(const std::string& question);
    // Waits until an answer can be read, false when a signal came first.
    bool awaitAnswer() const;
    // Ends the progress line drawn so far, so the next output starts afresh.
    void endProgressLine();

    CommandLine::Answer answer_;
    std::istream& in_;
    std::ostream& err_;
    int terminalIn_;
    bool drawProgress_, quiet_;

    bool option1_0_ = true, check1_ = false, picture1Visible_ = false;
    std::string text1_, text2_ = "2", text3_;
    float label6Width_ = 16;
    std::string progressShown_;  // Label7 as now drawn; empty: no line open
    std::string joining_;        // "k/n " of the slice a merge joins; empty: none
};

}  // namespace qzcli
