#include "mainwindow/AppSetup.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>
#include <cstdlib>

// The resources live in a static library: naming their initialiser keeps
// the linker from dropping them. Qt's macro declares the initialiser where it
// stands, so it stays outside any namespace.
static void initResources() { Q_INIT_RESOURCE(qzslice); }

namespace qzmainwindow {

namespace {

bool envSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

bool AppSetup::haveDisplay() {
    return envSet("DISPLAY") || envSet("WAYLAND_DISPLAY") || envSet("QT_QPA_PLATFORM");
}

QIcon AppSetup::icon() {
    initResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/qzslice/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

void AppSetup::apply(QApplication& app) {
    // Fusion everywhere: it paints the colours the window asks for and keeps
    // the control metrics the same on every desktop.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);

    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Source Han Sans SC")});
    font.setPixelSize(kFontPixels);
    app.setFont(font);

    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qtTexts);

    app.setWindowIcon(icon());
    // The desktop finds the window's menu entry, its icon and its launcher
    // by this name (on Wayland, the window's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(QZSLICE_DESKTOP_ID));
}

}  // namespace qzmainwindow
