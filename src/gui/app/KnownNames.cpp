#include "gui/app/KnownNames.h"

#include "core/site/MatrixKey.h"
#include "platform/site/SiteStore.h"

namespace quorvane {

const site::MatrixNames& KnownNames::follow(const LinkState& state) {
    if (link_.moved(state)) {
        const std::string key = site::matrixKeyFor(state, site::systemAdapterSerial);
        if (key != key_) {
            key_ = key;
            revision_ = -1;
        }
    }
    if (revision_ != site::namesRevision()) {
        revision_ = site::namesRevision();
        names_ = key_.empty() ? site::MatrixNames{} : site::loadSite(key_).site.names;
    }
    return names_;
}

} // namespace quorvane
