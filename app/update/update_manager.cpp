#include "app/update/update_manager.h"

// The check itself is not built yet.
void UpdateManager::start() {}
