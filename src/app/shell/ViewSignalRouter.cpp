#include "ViewSignalRouter.h"

#include <QMetaMethod>

namespace hollerbox {

void ViewSignalRouter::attach(QObject& view)
{
    const QMetaObject& routes = *metaObject();
    for (const char* signature : {"openWindowRequested(QString)", "quitRequested()", "continueRequested()"}) {
        const int source = view.metaObject()->indexOfSignal(signature);
        if (source >= 0) {
            connect(&view, view.metaObject()->method(source), this,
                    routes.method(routes.indexOfSignal(signature)));
        }
    }
}

} // namespace hollerbox
