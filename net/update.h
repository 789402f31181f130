// Self-update: the manifest check and the download-and-swap of the
// executable. Start-up runs them before any window opens.
#pragma once

// True when the published executable differs from the running one; fills the
// application's download address.
bool CheckUpdate();
// 1 when the new executable was downloaded and swapped in, else 0.
int RunUpdate();
