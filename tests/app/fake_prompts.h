#pragma once

#include <QStringList>

#include <memory>

#include "app/main_form.h"
#include "app/user_prompts.h"

// Answers the window's boxes and dialogs at once and remembers what it was
// shown, so that no test waits for a person.
class FakePrompts : public vaskiro::app::UserPrompts {
public:
    void showError(QWidget*, const QString& text) override { errors << text; }
    void showInformation(QWidget*, const QString& text) override { information << text; }
    QString askSaveFileName(QWidget*) override {
        ++saveAsked;
        return saveAnswer;
    }
    QString askOpenFileName(QWidget*) override {
        ++openAsked;
        return openAnswer;
    }

    QStringList errors;
    QStringList information;
    QString saveAnswer;  // empty: the user cancels
    QString openAnswer;
    int saveAsked = 0;
    int openAsked = 0;
};

// A fresh main window, shown, whose prompts are answered by the returned fake.
struct TestWindow {
    TestWindow() : form(std::make_unique<vaskiro::app::TMainForm>()) {
        auto owned = std::make_unique<FakePrompts>();
        prompts = owned.get();
        form->setPrompts(std::move(owned));
        form->show();
    }

    template <class T = QWidget>
    T* find(const QString& name) const {
        return form->findChild<T*>(name);
    }

    std::unique_ptr<vaskiro::app::TMainForm> form;
    FakePrompts* prompts;
};
