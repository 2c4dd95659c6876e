#pragma once

#include "engine/TickHTTP.h"

namespace quarlo {

// A TickHTTP that also fetches https URLs (certificates verified). Each transfer slot owns
// one of these.
class TickHTTPS : public TickHTTP {
protected:
    bool allowsSecureScheme() const override { return true; }
};

} // namespace quarlo
