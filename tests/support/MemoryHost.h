#pragma once
// A window held in plain fields: drives the engine in tests, records every
// message box shown and answers questions from a queue set up ahead of time.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/Host.h"

namespace qz {

class MemoryHost : public Host {
public:
    struct Shown {
        std::string text, title;
        int style;
    };

    // Control state, named as in the window; start values as it is designed.
    bool option1_0 = true;
    std::string text1, text2 = "2", text3, label3, label7 = "0%";
    std::string caption = "QZ切片宝 V1.3优化版";
    bool check1 = false;
    float label6Width = 16;
    bool picture1Visible = false;
    float picture1InnerWidth = 1935;
    bool frame1Enabled = true, command5Enabled = true;
    bool text2Focused = false;
    int text2SelStart = -1, text2SelLength = -1;
    // When set, widths read back rounded to whole pixels of 15 twips.
    bool roundToPixels = false;

    std::vector<Shown> shown;          // every message box, in order
    std::deque<MsgAnswer> answers;     // next answers to questions (else No)
    std::function<void()> onDoEvents;  // runs inside each event pump
    int doEventsCalls = 0;
    std::vector<std::string> label7History;  // every percentage text set
    std::vector<float> label6History;        // every bar width set

    bool Option1_0() const override { return option1_0; }
    std::string Text1() const override { return text1; }
    void setText1(const std::string& t) override { text1 = t; }
    std::string Text2() const override { return text2; }
    void focusText2SelectAll() override;
    std::string Text3() const override { return text3; }
    void setText3(const std::string& t) override { text3 = t; }
    bool Check1() const override { return check1; }
    void setLabel3(const std::string& c) override { label3 = c; }
    void setLabel6Width(float twips) override;
    float Label6Width() const override { return label6Width; }
    void setLabel7(const std::string& t) override;
    bool Picture1Visible() const override { return picture1Visible; }
    void setPicture1Visible(bool v) override { picture1Visible = v; }
    float Picture1InnerWidth() const override { return picture1InnerWidth; }
    void setFrame1Enabled(bool e) override { frame1Enabled = e; }
    void setCommand5Enabled(bool e) override { command5Enabled = e; }
    void setCaption(const std::string& c) override { caption = c; }
    MsgAnswer MsgBox(const std::string& text, const std::string& title,
                     int style) override;
    void DoEvents() override;
};

}  // namespace qz
