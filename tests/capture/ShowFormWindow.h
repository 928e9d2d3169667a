#pragma once
// The main window as the capture tests open it: a program folder and a preference store of its
// own, its questions answered by the headless prompt service, shown so that its preferences load.
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

namespace showformtest {

struct Window
{
    explicit Window(const QString &folder)
    {
        form = std::make_unique<TShowForm>(prompts, nullptr, folder);
        form->show();
        QCoreApplication::processEvents();
    }
    THeadlessPromptService prompts;
    std::unique_ptr<TShowForm> form;
};

} // namespace showformtest
