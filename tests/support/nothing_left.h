#pragma once

#include <QTemporaryDir>

namespace testsupport {

// The test program's own temporary folder (TMPDIR), with its runtime folder (XDG_RUNTIME_DIR)
// and its home (HOME) in it, made before the application object. Without a runtime folder Qt
// makes runtime-<user> in the temporary folder, and the player's sound client makes a pulse-*
// folder there and links it from the home. The folder goes with this object.
class PrivateTemporaryFolder {
public:
    PrivateTemporaryFolder();
    PrivateTemporaryFolder(const PrivateTemporaryFolder&) = delete;
    PrivateTemporaryFolder& operator=(const PrivateTemporaryFolder&) = delete;

    // What the tests left: entries of the temporary folder (the runtime folder aside), of the
    // home, and child processes still running, printed; the children are killed. True when
    // nothing.
    bool nothing_left() const;

private:
    QTemporaryDir folder_;
};

}  // namespace testsupport
