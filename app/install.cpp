#include "app/install.h"

#include "app/reports.h"

// Copying, shortcuts and the removal script come with the installation work;
// until then only the reports go out, so start-up's waits end.
void Install() {}

void Uninstall() {
  SendUninstallReport();
}
