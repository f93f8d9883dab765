#pragma once

#include "intake/OvraSearchDelegate.h"

#include <functional>

// Hands a photo search's answer to a function, for owners that are no search
// delegate themselves.
class SearchCallback : public OvraSearchDelegate
{
public:
    using Done = std::function<void(OvraPhotoQueryController *, const QVariantMap &)>;
    explicit SearchCallback(Done done) : done_(std::move(done)) {}

    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) override
    {
        if (done_) {
            done_(query, param);
        }
    }

private:
    Done done_;
};
