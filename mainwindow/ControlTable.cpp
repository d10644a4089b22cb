#include "mainwindow/ControlTable.h"

#include <array>

namespace qzmainwindow {

namespace {

using enum ControlTable::Kind;
using enum ControlTable::Start;

constexpr std::array<ControlTable::Row, 19> kRows{{
    // name       kind        container   left   top width height caption      tab start
    {"Picture1",  PictureBox, nullptr,     135, 2385, 1965,  360, "",                 17},
    {"Label7",    Label,      "Picture1",  840,   90,  180,  180, "0%",               19},
    {"Label6",    Bar,        "Picture1",    0,    0,   16,  345, "",                 18},
    {"Command5",  Button,     nullptr,    3240, 2370, 1005,  405, "操作(&O)",         11},
    {"Command1",  Button,     nullptr,    2220, 2370, 1035,  405, "关于(&A)",         16},
    {"Frame1",    Frame,      nullptr,     120,   90, 4155, 2175, "",                  0},
    {"Check1",    CheckBox,   "Frame1",   1950,  720, 1815,  255, "合并后删除原切片", 15, Disabled},
    {"Option1_1", Option,     "Frame1",    210,  720, 1485,  285, "合并文件",         10},
    {"Option1_0", Option,     "Frame1",    210,  300, 1485,  285, "分割文件",          9, Selected},
    {"Command4",  Button,     "Frame1",   3390, 1590,  585,  315, "...",               8},
    {"Text3",     PathField,  "Frame1",   1050, 1590, 2175,  315, "",                  7},
    {"Text2",     CountField, "Frame1",   2880,  300,  585,  255, "2",                 5},
    {"Command3",  Button,     "Frame1",   3390, 1170,  585,  315, "...",               3},
    {"Text1",     PathField,  "Frame1",   1050, 1170, 2175,  315, "",                  2},
    {"Label5",    Label,      "Frame1",    150, 1650,  810,  180, "保存位置:",         6},
    {"Label2",    Label,      "Frame1",   1950,  330,  810,  180, "分割个数:",         4},
    {"Label1",    Label,      "Frame1",    150, 1200,  810,  180, "文件来源:",         1},
    {"Label4",    Label,      nullptr,     165, 2460,  810,  180, "文件大小:",        14},
    {"Label3",    Label,      nullptr,    1035, 2475,   90,  180, "",                 13},
}};

}  // namespace

std::span<const ControlTable::Row> ControlTable::rows() { return kRows; }

}  // namespace qzmainwindow
