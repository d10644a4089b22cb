#include "mainwindow/PieceCount.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QRegularExpression>

namespace qzmainwindow {

int PieceCount::characterCode(const QKeyEvent& event) {
    if (event.matches(QKeySequence::Copy)) return 3;
    if (event.matches(QKeySequence::Paste)) return 22;
    if (event.matches(QKeySequence::Cut)) return 24;

    const int key = event.key();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    // Focus moves and deleting forward type no character.
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return kNoCharacter;
    default: break;
    }

    const Qt::KeyboardModifiers mods = event.modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;

    const QString text = event.text();
    if (text.isEmpty()) return kNoCharacter;
    return static_cast<int>(text.toUcs4().value(0));
}

bool PieceCount::keepsCharacter(int code) {
    return (code >= '0' && code <= '9') || code == 8;
}

bool PieceCount::readNumber(const QString& text, double& value) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)\\s*$"));
    if (!number.match(text).hasMatch()) return false;
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok;
}

QString PieceCount::normalised(const QString& text) {
    const QString two = QStringLiteral("2");

    QString result = text;
    double value = 0;
    if (!readNumber(result, value) || value < 2) result = two;

    // A second look at what step 1 left: a leading zero or a leading
    // non-digit (blank, sign, point) is no count either.
    const QChar first = result.at(0);
    if (first == u'0' || first < u'0' || first > u'9') result = two;
    return result;
}

}  // namespace qzmainwindow
