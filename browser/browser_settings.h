// Internet Explorer settings the embedded browsers depend on.
#pragma once

// Writes the browser cache limit for the current user.
void SetCacheLimit();
