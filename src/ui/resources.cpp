#include "ui/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initKorvaneResources() {
    Q_INIT_RESOURCE(korvane);
}

namespace korvane {

void initResources() {
    initKorvaneResources();
}

}  // namespace korvane
