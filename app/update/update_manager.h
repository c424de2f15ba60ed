#pragma once

#include <memory>

// The version check: started at launch, alive until its check ends.
class UpdateManager : public std::enable_shared_from_this<UpdateManager> {
public:
    // Creates a manager and starts its check; the check keeps it alive.
    static void start();
};
