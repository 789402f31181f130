#include "browser/browser_settings.h"

// The cache limit and the feature controls come with the browser work.
void SetCacheLimit() {}
