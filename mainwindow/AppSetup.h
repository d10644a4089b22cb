#pragma once
// What every window of the program shares, set once on the application: the
// CJK default font the layout is designed for, Qt's own texts in Chinese, the
// style, the icon and the menu entry's name.

class QApplication;
class QIcon;

namespace qzmainwindow {

class AppSetup {
public:
    // Pixel size of the default font: the layout assumes CJK characters
    // 12 pixels wide and high.
    static constexpr int kFontPixels = 12;

    // True when Qt has a windowing session to reach: DISPLAY or
    // WAYLAND_DISPLAY is set, or a platform was chosen with QT_QPA_PLATFORM.
    static bool haveDisplay();
    // Font, style, Qt's zh_CN translation, the window icon and the desktop id.
    static void apply(QApplication& app);
    // The program's own icon in all the sizes it is drawn at.
    static QIcon icon();
};

}  // namespace qzmainwindow
