// Progress lines of the generator.
#include <cstdio>

#include "common/generators.h"

namespace gen {

void progress(const std::string& what) {
    static int step = 0;
    std::fprintf(stderr, "[assetgen] %3d  %s\n", ++step, what.c_str());
}

} // namespace gen
