#pragma once
// The front-end of this run and the bridge from the dialogs' models to it.

#include "platform/Frontend.h"

#include <functional>
#include <memory>

class DialogModel;

// The front-end of this run: chosen on first use among the linked backends (DAVURERUVO_UI,
// else a display decides) and the choice written to the log.
platform::Frontend& CurrentFrontend();

// Puts a front-end in place (tests); returns the one it replaced (may be empty).
std::unique_ptr<platform::Frontend> ReplaceFrontend(std::unique_ptr<platform::Frontend> frontend);

// Called with the main dialog's model whenever the main dialog ends, before the front-end
// hears of the end (the snapshot of DAVURERUVO_SNAPSHOT is taken here). Empty: none.
void SetDialogEndHook(std::function<void(const DialogModel&)> hook);
void RunDialogEndHook(const DialogModel& model);
