#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers every message box the window opens, as a user pressing OK (or the
// button whose text is `answer`, when the box has one), and keeps their texts.
class MessageBoxCatcher {
public:
    MessageBoxCatcher() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                captions << box->windowTitle();
                for (QAbstractButton* button : box->buttons()) {
                    if (!answer.isEmpty() && button->text() == answer) {
                        button->click();
                        return;
                    }
                }
                box->accept();
            }
        });
        m_timer.start();
    }

    QString answer;
    QStringList texts;
    QStringList captions;

private:
    QTimer m_timer;
};
