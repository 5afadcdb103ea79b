#pragma once

#include <QObject>

// Ctrl+A selects the whole text of a text field, whatever other modifier keys
// are held (Ctrl+Shift+A included), which Qt's own shortcut does not cover.
class TextSelectAll : public QObject {
public:
    using QObject::QObject;

    // Installs the behaviour on a QPlainTextEdit; the filter is its child.
    static void install(QObject* textField);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
