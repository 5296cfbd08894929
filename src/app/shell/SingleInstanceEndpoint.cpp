#include "SingleInstanceEndpoint.h"

namespace hollerbox {

void SingleInstanceEndpoint::ShowPanel()
{
    Q_EMIT showPanelRequested();
}

} // namespace hollerbox
