// Installing the client for the current user, and removing it.
#pragma once

// Copies the executable into the install folder, makes the shortcuts and
// starts the installed copy.
void Install();
// Removes the installed client; sends the uninstall report.
void Uninstall();
