#include "slideshow/TransitionImages.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QImageReader>

namespace {

QImage loadResource(const Bundle &bundle, const QString &name)
{
    const QString path = bundle.pathForResource(name, kTransitionImageType);
    if (path.isEmpty()) {
        return {};
    }
    QImageReader reader(path);
    QImage image;
    if (!reader.read(&image)) {
        OvraLog(kLogOhOhException.arg(kReasonImageUnreadable.arg(path)));
        return {};
    }
    return image;
}

} // namespace

TransitionImages TransitionImages::load(const Bundle &bundle)
{
    TransitionImages images;
    images.shading = loadResource(bundle, kTransitionShadingResource);
    images.mask =
        loadResource(bundle, kTransitionMaskResource).convertToFormat(QImage::Format_Grayscale8);
    OvraLog(kLogOhOhDone);
    return images;
}
