// Liberation Sans (metric-compatible with Arial), built into the library so that text needs no
// font installed on the user's machine.
#pragma once

#include <cstddef>

namespace qv {

struct CEmbeddedFont {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// style: 0 regular, 1 bold, 2 italic, 3 bold italic.
CEmbeddedFont embeddedSansFont(int style);

}  // namespace qv
