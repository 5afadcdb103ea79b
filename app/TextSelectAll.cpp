#include "app/TextSelectAll.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

void TextSelectAll::install(QObject* textField) {
    textField->installEventFilter(new TextSelectAll(textField));
}

bool TextSelectAll::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_A || !(key->modifiers() & Qt::ControlModifier)) return false;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // keep the key from any window shortcut
            return true;
        }
        edit->selectAll();
        return true;
    }
    return false;
}
