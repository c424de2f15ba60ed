#pragma once

#include <QString>

namespace media {

// An error of the media layer, with a description for people.
struct Error {
    QString domain;
    int code = 0;
    QString description;
};

}  // namespace media
