#pragma once

#include <algorithm>
#include <cmath>

// The progress a user reads: a finite fraction within 0 to 1 that never goes below the one
// reported before in the same run (`reached`). A fraction that is no number keeps `reached`.
inline float readable_progress(double fraction, float reached)
{
    if (!std::isfinite(fraction))
        return reached;
    return std::max(reached, static_cast<float>(std::clamp(fraction, 0.0, 1.0)));
}
