// Scripted dialogs for tests: records every message and question and answers from queues.
#pragma once

#include <statusobject/Dialogs.h>

#include <QQueue>
#include <QStringList>

namespace so::test {

class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon;
    };
    QVector<Shown> messages;
    QStringList questions;
    QStringList prompts;
    QQueue<bool> yesNoAnswers;                    // empty queue answers "no"
    QQueue<std::optional<QString>> inputAnswers;  // empty queue answers "cancel"
    int busyCount = 0;

    void message(const QString& text, const QString& title, Icon icon) override {
        messages.append({text, title, icon});
    }
    bool askYesNo(const QString& text, const QString&) override {
        questions << text;
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.dequeue();
    }
    std::optional<QString> inputBox(const QString& prompt, const QString&, const QString&) override {
        prompts << prompt;
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
    }
    void setBusy(bool busy) override { busyCount += busy ? 1 : 0; }
};

}  // namespace so::test
