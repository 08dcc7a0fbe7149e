#pragma once

#include <QPlainTextEdit>
#include <QStringList>

#include <memory>

#include "app/main_form.h"
#include "app/user_prompts.h"

// Answers the window's boxes and dialogs at once and remembers what it was
// shown, so that no test waits for a person.
struct FakePrompts : vaskiro::app::UserPrompts {
    void showError(QWidget*, const QString& text) override { errors << text; }
    void showInformation(QWidget*, const QString& text) override { information << text; }
    QString askSaveFileName(QWidget*) override { return ++saveAsked, saveAnswer; }
    QString askOpenFileName(QWidget*) override { return ++openAsked, openAnswer; }
    QString askSaveCsvFileName(QWidget*) override { return csvAnswer; }
    bool askYesNo(QWidget*, const QString& text) override { return questions << text, yes; }

    QStringList errors, information;
    QString saveAnswer, openAnswer, csvAnswer;  // empty: the user cancels
    QStringList questions;
    bool yes = true;
    int saveAsked = 0, openAsked = 0;
};

// A fresh main window, shown, whose prompts are answered by the returned fake.
struct TestWindow {
    // The window sees no devices until a test hands it stand-ins.
    TestWindow() : form(std::make_unique<vaskiro::app::TMainForm>(nullptr)) {
        auto owned = std::make_unique<FakePrompts>();
        prompts = owned.get();
        form->setPrompts(std::move(owned));
        form->show();
    }
    template <class T = QWidget>
    T* find(const QString& name) const {
        return form->findChild<T*>(name);
    }
    QStringList logLines() const {
        return find<QPlainTextEdit>("LogMemo")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }

    std::unique_ptr<vaskiro::app::TMainForm> form;
    FakePrompts* prompts;
};
