#pragma once

#include <QSettings>
#include <memory>

#include "support/support.h"

namespace apptest {

// A test's own home: HOME, the XDG folders and QSettings point into a fresh temporary
// directory for the test's life, so nothing leaks between tests or into the machine.
class AppEnv {
public:
    AppEnv();
    ~AppEnv();
    AppEnv(const AppEnv&) = delete;
    AppEnv& operator=(const AppEnv&) = delete;

    const std::string& home() const { return home_.path(); }

private:
    testsupport::TempDir home_;
    QByteArray old_home_, old_config_, old_data_, old_videos_;
};

}  // namespace apptest
