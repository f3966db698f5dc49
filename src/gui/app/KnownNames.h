#pragma once
// The names of the matrix the link leads to, for a window that shows them outside the Matrix page
// (the EDID page's lists): read from the store when the link names another matrix or names were
// kept since, else answered from what was read. A store that cannot be read gives no names.

#include "core/app/LinkState.h"
#include "core/site/MatrixKey.h"
#include "core/site/MatrixNames.h"

#include <string>

namespace quorvane {

class KnownNames {
public:
    const site::MatrixNames& follow(const LinkState& state);

private:
    site::FollowedLink link_;
    std::string key_;
    int revision_ = -1;
    site::MatrixNames names_;
};

} // namespace quorvane
