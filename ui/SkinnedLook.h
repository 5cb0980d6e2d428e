#pragma once
// Puts the skinned look in place for the run: the views the window backend shows, and the
// picture written at the end of the main dialog when DAVURERUVO_SNAPSHOT names a file.

#include "ui/DialogModel.h"

#include <string>

// The variable that names the snapshot file.
inline constexpr char kSnapshotVariable[] = "DAVURERUVO_SNAPSHOT";

// Installs the view factory for the window backends and, when DAVURERUVO_SNAPSHOT is set,
// the dialog-end hook that writes the snapshot. Called once before a front-end is chosen.
void InstallSkinnedLook();

// Composes model and writes it to path as PNG; false (with a log line) when it cannot.
bool WriteDialogSnapshot(const DialogModel& model, const std::string& path);
